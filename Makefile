# `make test` installs what is missing, builds the dependencies once (cached), builds everything
# and runs the tests under Wine. `make run` builds everything and runs the program. `make build`
# stops after the build; `make installer` builds the Windows installer; `make fuzz` fuzzes the
# parsers natively with the sanitizers.
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all prereqs build installer test run screenshot bench fuzz clean

all: build

prereqs:
	@scripts/install-prereqs.sh

build: prereqs
	@deps=$$(scripts/build-deps.sh) && \
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake \
	  -DTESSEL_DEPS_PREFIX="$$deps" $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j 2

installer: build
	cmake --build $(BUILD) --target installer
	@ls $(BUILD)/Tessel-Setup-*.exe

test: build
	scripts/test-session.sh $(BUILD) ctest --test-dir $(BUILD) --output-on-failure

run: build
	scripts/run.sh $(BUILD)

screenshot: build
	scripts/screenshot.sh $(BUILD)

bench: build
	bench/summary.sh $(BUILD)

fuzz: build
	scripts/fuzz.sh $(BUILD) --runs $(or $(FUZZ_RUNS),10000000)

clean:
	rm -rf $(BUILD)
