#pragma once

#include <cjson/cJSON.h>

#include <string>
#include <vector>

#include "include/cef_v8.h"

namespace cefimpl {

// How page script reaches the functions the application puts on a context's global object.
// A script that runs first in every document asks for the context with a synchronous request to
// a reserved path (the engine makes the context right then, before any of the page's scripts,
// and answers with the names of the global functions), and defines each name as a function that
// forwards its arguments by another synchronous request and returns the answer or throws it.
namespace pagebridge {

// Requests to this path never leave the browser: the engine answers them itself.
constexpr char kPathPrefix[] = "/__tessel_bridge__/";

// The longest call (its arguments as JSON, in characters) that page script may make: a call
// travels in protocol messages several times its size, which a 32-bit program must be able to
// hold. A longer one throws in the page.
constexpr size_t kLargestCall = 8 * 1024 * 1024;

const std::string& DocumentStartScript();

// The kind of bridge request a URL names ("context", "call"), or empty.
std::string RequestKind(const std::string& url);

// Whether a request to the reserved path has the shape of the script's own: a POST by
// XMLHttpRequest whose Origin header is the origin of the address it goes to (a document asking
// its own origin). Anything else (another request type, a navigation, another site's page or
// frame) must not reach the native functions.
bool IsOwnRequest(const std::string& method, const std::string& resourceType,
                  const std::string& url, const std::string& originHeader);

// The origin of an absolute URL as an Origin header writes it: "scheme://host[:port]" in lower
// case, without the scheme's default port; empty when the URL has none.
std::string OriginOf(const std::string& url);

// Renderer thread, context entered. Script values to and from their JSON form
// ({"type": ..., "value": ...}); objects and arrays go as far as `depth` levels.
CefRefPtr<CefV8Value> ToV8(const cJSON* encoded, int depth = 16);
cJSON* FromV8(CefRefPtr<CefV8Value> value, int depth = 16);

// What page script sees as the message of an exception a native function threw: the text the
// handler set, without the prefix the script engine puts on uncaught exceptions.
std::wstring ThrownMessage(const std::wstring& message);

// The names of the functions on a context's global object.
std::vector<std::string> GlobalFunctionNames(CefRefPtr<CefV8Context> context);

}  // namespace pagebridge

}  // namespace cefimpl
