// The page bridge's requests: a page's script asking for its context or calling the
// application's functions, answered from the library's renderer thread.
#include "ChromiumEngine.h"

#include "Base64.h"
#include "Browser.h"
#include "PageBridge.h"
#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

namespace {

// A header of a request the protocol describes, whatever the case of its name.
std::string HeaderOf(const cJSON* request, const char* name) {
    const cJSON* value =
        cJSON_GetObjectItem(cJSON_GetObjectItemCaseSensitive(request, "headers"), name);
    return cJSON_IsString(value) && value->valuestring ? value->valuestring : std::string();
}

}  // namespace

void ChromiumEngine::AnswerBridge(const std::string& sessionId, const std::string& requestId,
                                  const std::string& body, int status) {
    JsonPtr params = Params({{"requestId", requestId}, {"body", Base64Encode(body)}});
    cJSON_AddNumberToObject(params.get(), "responseCode", status);
    cJSON* headers = cJSON_AddArrayToObject(params.get(), "responseHeaders");
    for (const auto& header : {std::make_pair("Content-Type", "application/json; charset=utf-8"),
                               std::make_pair("Cache-Control", "no-store")}) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddStringToObject(entry, "name", header.first);
        cJSON_AddStringToObject(entry, "value", header.second);
        cJSON_AddItemToArray(headers, entry);
    }
    connection_.Send("Fetch.fulfillRequest", std::move(params), sessionId);
}

void ChromiumEngine::OnRequestPaused(Page& page, const cJSON* params) {
    const std::string requestId = JsonString(params, "requestId");
    const cJSON* request = cJSON_GetObjectItemCaseSensitive(params, "request");
    const std::string url = JsonString(request, "url");
    const std::string kind = pagebridge::RequestKind(url);
    const std::string sessionId = page.sessionId;
    if (url.find(pagebridge::kPathPrefix) == std::string::npos) {
        connection_.Send("Fetch.continueRequest", Params({{"requestId", requestId}}), sessionId);
        return;
    }
    if (kind.empty() ||
        !pagebridge::IsOwnRequest(JsonString(request, "method"), JsonString(params, "resourceType"),
                                  url, HeaderOf(request, "Origin"))) {
        AnswerBridge(sessionId, requestId, "{}", 404);
        return;
    }
    std::string body = JsonString(request, "postData");
    const cJSON* entry;
    cJSON_ArrayForEach(entry, cJSON_GetObjectItemCaseSensitive(request, "postDataEntries")) {
        std::string bytes;
        if (body.empty() && Base64Decode(JsonString(entry, "bytes"), bytes)) {
            body += bytes;
        }
    }
    const int browserId = page.browserId;
    const Frame& pageFrame = FrameOf(page, JsonString(params, "frameId"));
    const int64 frameId = pageFrame.id;
    const int64 document = pageFrame.document;
    runtime_.renderer().Post(
        [this, sessionId, requestId, kind, body, browserId, frameId, document] {
            CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId);
            CefRefPtr<FrameImpl> frame = browser ? browser->FindFrame(frameId) : nullptr;
            if (!frame || frame->GetIdentifier() != frameId) {
                AnswerBridge(sessionId, requestId, kind == "context" ? "[]" : "{}");
                return;
            }
            if (kind == "context") {
                AnswerContextRequest(sessionId, requestId, browser, frame, document);
                return;
            }
            AnswerNativeCall(sessionId, requestId, frame, body);
        });
}

void ChromiumEngine::AnswerContextRequest(const std::string& sessionId,
                                          const std::string& requestId,
                                          const CefRefPtr<BrowserImpl>& browser,
                                          const CefRefPtr<FrameImpl>& frame, int64 document) {
    // One context per document: asking again must not replace it.
    if (frame->context() && frame->document() == document) {
        AnswerBridge(sessionId, requestId, "[]", 404);
        return;
    }
    JsonPtr names(cJSON_CreateArray());
    for (const auto& name :
         pagebridge::GlobalFunctionNames(browser->CreatePageContext(frame, document).get())) {
        cJSON_AddItemToArray(names.get(), cJSON_CreateString(name.c_str()));
    }
    char* text = cJSON_PrintUnformatted(names.get());
    AnswerBridge(sessionId, requestId, text ? text : "[]");
    cJSON_free(text);
}

void ChromiumEngine::AnswerNativeCall(const std::string& sessionId, const std::string& requestId,
                                      const CefRefPtr<FrameImpl>& frame, const std::string& body) {
    const JsonPtr call(cJSON_Parse(body.c_str()));
    CefRefPtr<V8ContextImpl> context = frame->context();
    JsonPtr answer = JsonObject();
    if (context && context->Enter()) {
        CefV8ValueList arguments;
        const cJSON* argument;
        cJSON_ArrayForEach(argument, cJSON_GetObjectItemCaseSensitive(call.get(), "args")) {
            arguments.push_back(pagebridge::ToV8(argument));
        }
        const ScriptCallResult result =
            CallFunction(context.get(), Utf8ToWide(JsonString(call.get(), "name")), arguments);
        if (!result.called || !result.exception.empty()) {
            cJSON_AddStringToObject(
                answer.get(), "exception",
                WideToUtf8(result.called ? pagebridge::ThrownMessage(result.exception)
                                         : result.error)
                    .c_str());
        } else {
            cJSON_AddItemToObject(answer.get(), "result", pagebridge::FromV8(result.result));
        }
        context->Exit();
    } else {
        cJSON_AddStringToObject(answer.get(), "exception", "the page has no script context");
    }
    char* text = cJSON_PrintUnformatted(answer.get());
    AnswerBridge(sessionId, requestId, text ? text : "{}");
    cJSON_free(text);
}

void ChromiumEngine::OnAuthRequired(Page& page, const cJSON* params) {
    const std::string requestId = JsonString(params, "requestId");
    const ProxyCredentials& credentials = process_.proxyCredentials();
    JsonPtr answer = JsonObject();
    const char* response = "Default";
    // A proxy that refuses the credentials asks again for the same request: then it is refused.
    if (JsonString(cJSON_GetObjectItemCaseSensitive(params, "authChallenge"), "source") ==
        "Proxy") {
        response =
            page.proxyAnswered.insert(requestId).second ? "ProvideCredentials" : "CancelAuth";
    }
    cJSON* challenge = cJSON_AddObjectToObject(answer.get(), "authChallengeResponse");
    cJSON_AddStringToObject(challenge, "response", response);
    if (std::string(response) == "ProvideCredentials") {
        cJSON_AddStringToObject(challenge, "username", credentials.user.c_str());
        cJSON_AddStringToObject(challenge, "password", credentials.password.c_str());
    }
    cJSON_AddStringToObject(answer.get(), "requestId", requestId.c_str());
    connection_.Send("Fetch.continueWithAuth", std::move(answer), page.sessionId);
}

}  // namespace cefimpl
