// The DevTools window of a page: the browser's own front end, served to this program alone. It
// talks through a relay of ours to a session of its own on the inspected page, over the engine's
// connection, so that the browser needs no DevTools port.
#include "ChromiumEngine.h"

#include "Browser.h"
#include "Runtime.h"

namespace cefimpl {

namespace {

constexpr char kFrontEndPage[] = "devtools://devtools/bundled/inspector.html?ws=";

std::string Printed(const cJSON* json) {
    char* text = cJSON_PrintUnformatted(json);
    std::string printed = text ? text : "{}";
    cJSON_free(text);
    return printed;
}

}  // namespace

std::string ChromiumEngine::OpenFrontEnd(int browserId) {
    CloseFrontEnd(browserId);  // a reload makes a new one
    std::string inspected;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId);
        for (const auto& entry : pages_) {
            if (browser && entry.second.view == browser->GetOpenerWindowHandle()) {
                inspected = entry.second.targetId;
            }
        }
    }
    auto relay = std::make_shared<DevToolsRelay>();
    const std::string address = inspected.empty()
                                    ? std::string()
                                    : relay->Start([this, browserId](const std::string& message) {
                                          OnFrontEndMessage(browserId, message);
                                      });
    if (address.empty()) {
        return "about:blank";
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        frontEnds_[browserId].relay = relay;
    }
    JsonPtr attach = Params({{"targetId", inspected}});
    cJSON_AddBoolToObject(attach.get(), "flatten", true);
    connection_.Send("Target.attachToTarget", std::move(attach), "",
                     [this, browserId](const CdpConnection::Reply& reply) {
                         OnFrontEndAttached(browserId, JsonString(reply.result, "sessionId"));
                     });
    return kFrontEndPage + address;
}

void ChromiumEngine::OnFrontEndAttached(int browserId, const std::string& sessionId) {
    if (sessionId.empty()) {
        CloseFrontEnd(browserId);  // the page is gone: the front end hears it from its relay
        return;
    }
    // The messages that came meanwhile go first, in their order; later ones wait until they did.
    for (;;) {
        std::string message;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = frontEnds_.find(browserId);
            if (it == frontEnds_.end()) {
                connection_.Send("Target.detachFromTarget", Params({{"sessionId", sessionId}}));
                return;
            }
            if (it->second.waiting.empty()) {
                it->second.session = sessionId;
                return;
            }
            message = std::move(it->second.waiting.front());
            it->second.waiting.erase(it->second.waiting.begin());
        }
        RelayFrontEndMessage(browserId, message, sessionId);
    }
}

void ChromiumEngine::OnFrontEndMessage(int browserId, const std::string& message) {
    std::string root;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = frontEnds_.find(browserId);
        if (it == frontEnds_.end()) {
            return;
        }
        if (it->second.session.empty()) {
            it->second.waiting.push_back(message);
            return;
        }
        root = it->second.session;
    }
    RelayFrontEndMessage(browserId, message, root);
}

void ChromiumEngine::RelayFrontEndMessage(int browserId, const std::string& message,
                                          const std::string& root) {
    const JsonPtr json(cJSON_ParseWithLength(message.data(), message.size()));
    const cJSON* id = cJSON_GetObjectItemCaseSensitive(json.get(), "id");
    const std::string method = JsonString(json.get(), "method");
    if (!cJSON_IsNumber(id) || method.empty()) {
        return;
    }
    std::string sessionId = JsonString(json.get(), "sessionId");
    std::shared_ptr<DevToolsRelay> relay;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = frontEnds_.find(browserId);
        // The front end reaches its own sessions only: the inspected page's and those it made.
        if (it == frontEnds_.end() ||
            (!sessionId.empty() && !it->second.children.count(sessionId))) {
            return;
        }
        relay = it->second.relay;
        if (sessionId.empty()) {
            sessionId = root;
        }
    }
    const cJSON* params = cJSON_GetObjectItemCaseSensitive(json.get(), "params");
    JsonPtr copy(params ? cJSON_Duplicate(params, 1) : nullptr);
    const double number = id->valuedouble;
    const std::string ownSession = JsonString(json.get(), "sessionId");
    connection_.Send(method, std::move(copy), sessionId,
                     [relay, number, ownSession](const CdpConnection::Reply& reply) {
                         JsonPtr answer = JsonObject();
                         cJSON_AddNumberToObject(answer.get(), "id", number);
                         if (reply.error.empty()) {
                             cJSON_AddItemToObject(answer.get(), "result",
                                                   reply.result ? cJSON_Duplicate(reply.result, 1)
                                                                : cJSON_CreateObject());
                         } else {
                             cJSON* error = cJSON_AddObjectToObject(answer.get(), "error");
                             cJSON_AddNumberToObject(error, "code", -32000);
                             cJSON_AddStringToObject(error, "message", reply.error.c_str());
                         }
                         if (!ownSession.empty()) {
                             cJSON_AddStringToObject(answer.get(), "sessionId", ownSession.c_str());
                         }
                         relay->Send(Printed(answer.get()));
                     });
}

bool ChromiumEngine::ForwardToFrontEnd(const std::string& method, const cJSON* params,
                                       const std::string& sessionId) {
    if (sessionId.empty()) {
        return false;
    }
    std::shared_ptr<DevToolsRelay> relay;
    bool child = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : frontEnds_) {
            FrontEnd& frontEnd = entry.second;
            child = frontEnd.children.count(sessionId) > 0;
            if (child || frontEnd.session == sessionId) {
                relay = frontEnd.relay;
                if (method == "Target.attachedToTarget") {
                    frontEnd.children.insert(JsonString(params, "sessionId"));
                } else if (method == "Target.detachedFromTarget") {
                    frontEnd.children.erase(JsonString(params, "sessionId"));
                }
                break;
            }
        }
    }
    if (!relay) {
        return false;
    }
    JsonPtr event = Params({{"method", method}});
    cJSON_AddItemToObject(event.get(), "params",
                          params ? cJSON_Duplicate(params, 1) : cJSON_CreateObject());
    if (child) {
        cJSON_AddStringToObject(event.get(), "sessionId", sessionId.c_str());
    }
    relay->Send(Printed(event.get()));
    return true;
}

void ChromiumEngine::CloseFrontEnds() {
    std::vector<int> browsers;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : frontEnds_) {
            browsers.push_back(entry.first);
        }
    }
    for (int browserId : browsers) {
        CloseFrontEnd(browserId);
    }
}

void ChromiumEngine::CloseFrontEnd(int browserId) {
    FrontEnd frontEnd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = frontEnds_.find(browserId);
        if (it == frontEnds_.end()) {
            return;
        }
        frontEnd = std::move(it->second);
        frontEnds_.erase(it);
    }
    frontEnd.relay->Stop();
    if (!frontEnd.session.empty()) {
        connection_.Send("Target.detachFromTarget", Params({{"sessionId", frontEnd.session}}));
    }
}

}  // namespace cefimpl
