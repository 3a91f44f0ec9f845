#!/usr/bin/env python3
"""Replays every input of the given folders through the skin framework's real windows under Wine
(tests/skinui/LayoutReplay.cpp) and reports crashes, hangs and memory growth.

    replay-layouts.py BUILD FOLDER... [--workers W] [--batch N] [--hang-seconds S]
                      [--memory-mib M]

W replay processes run side by side, each on its share of the inputs, in batches of N inputs,
one process per batch. A process that dies is restarted after
the input it was replaying (a crash); one that shows no progress for S seconds is ended and
restarted after that input (a hang); a process whose private memory grows by more than M MiB
during its batch is reported too. Offending inputs are copied to BUILD/fuzz/findings. The exit
status is 1 when anything was found."""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading
import time


def windows_path(path):
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


class Replay:
    def __init__(self, build, inputs, work, hang_seconds):
        self.build = build
        self.inputs = inputs
        self.work = work
        self.hang_seconds = hang_seconds
        self.taken = {"layouts": 0, "tables": 0}
        self.list = work / "inputs.txt"
        self.progress = work / "progress.txt"
        self.list.write_text("".join(windows_path(p) + "\r\n" for p in inputs))
        # A copy of the program, so that a build during a long replay does not change it.
        self.program = work / "layout_replay.exe"
        shutil.copy(build / "bin" / "layout_replay.exe", self.program)

    def run(self, first, count):
        """Runs inputs [first, first + count); returns (next index, outcome, memory growth KiB)."""
        self.progress.unlink(missing_ok=True)
        command = [str(self.build / "wine-run.sh"), str(self.program),
                   windows_path(self.list), windows_path(self.progress), str(first), str(count)]
        process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                   text=True, start_new_session=True)
        done = []
        memory = []
        reader = threading.Thread(target=self.read, args=(process, done, memory, self.taken),
                                  daemon=True)
        reader.start()
        last_index, last_change = None, time.monotonic()
        while process.poll() is None:
            time.sleep(0.2)
            index = self.current()
            if index != last_index:
                last_index, last_change = index, time.monotonic()
            elif index is not None and time.monotonic() - last_change > self.hang_seconds:
                if not done or done[-1] != index:
                    os.killpg(process.pid, 9)
                    process.wait()
                    reader.join(5)
                    return index + 1, ("hang", index), growth(memory)
        reader.join(5)
        index = self.current()
        finished = done and done[-1] == first + count - 1 or (done and done[-1] == len(self.inputs) - 1)
        if process.returncode != 0 or not finished:
            failed = index if index is not None else first
            return failed + 1, ("crash", failed), growth(memory)
        return first + count, None, growth(memory)

    def current(self):
        try:
            return int(self.progress.read_text().split()[0])
        except (OSError, ValueError, IndexError):
            return None

    @staticmethod
    def read(process, done, memory, taken):
        for line in process.stdout:
            parts = line.split()
            if len(parts) == 4:
                done.append(int(parts[0]))
                memory.append(int(parts[2]))
                taken["layouts"] += int(parts[3]) & 1
                taken["tables"] += int(parts[3]) >> 1 & 1


def growth(memory):
    return max(memory) - memory[0] if memory else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", type=pathlib.Path)
    parser.add_argument("folders", nargs="+", type=pathlib.Path)
    parser.add_argument("--workers", type=int, default=1)
    parser.add_argument("--batch", type=int, default=2000)
    parser.add_argument("--hang-seconds", type=float, default=5.0)
    parser.add_argument("--memory-mib", type=int, default=64)
    args = parser.parse_args()
    inputs = sorted(p for folder in args.folders if folder.is_dir()
                    for p in folder.rglob("*") if p.is_file())
    findings_dir = args.build / "fuzz" / "findings"
    findings_dir.mkdir(parents=True, exist_ok=True)
    findings = []
    growths = [0]
    taken = {"layouts": 0, "tables": 0}
    lock = threading.Lock()

    def work(share, folder):
        index = 0
        replay = Replay(args.build, share, folder, args.hang_seconds)
        while index < len(share):
            index, outcome, grown = replay.run(index, args.batch)
            with lock:
                for kind in taken:
                    taken[kind] += replay.taken[kind]
                    replay.taken[kind] = 0
            with lock:
                growths.append(grown)
                if grown > args.memory_mib * 1024:
                    findings.append(("memory", share[min(index, len(share)) - 1]))
                if outcome:
                    kind, failed = outcome
                    findings.append((kind, share[failed]))
                    shutil.copy(share[failed], findings_dir / ("replay-%s-%s" % (kind, share[failed].name)))

    start = time.monotonic()
    with tempfile.TemporaryDirectory() as work_dir:
        workers = []
        for number in range(args.workers):
            folder = pathlib.Path(work_dir) / str(number)
            folder.mkdir()
            workers.append(threading.Thread(target=work, args=(inputs[number::args.workers], folder)))
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join()
    max_growth = max(growths)
    seconds = time.monotonic() - start
    rate = len(inputs) / seconds if seconds > 0 else 0
    print("replayed %d inputs in %.0f s (%.1f per second; %d taken as layouts, %d as tables); "
          "largest memory growth of a batch %.1f MiB; crashes %d, hangs %d, memory %d"
          % (len(inputs), seconds, rate, taken["layouts"], taken["tables"], max_growth / 1024,
             sum(k == "crash" for k, _ in findings), sum(k == "hang" for k, _ in findings),
             sum(k == "memory" for k, _ in findings)))
    for kind, path in findings:
        print("%s: %s" % (kind, path))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
