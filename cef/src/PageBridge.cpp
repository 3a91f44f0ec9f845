#include "PageBridge.h"

#include "Text.h"

namespace cefimpl {

namespace pagebridge {

namespace {

// Page script may replace XMLHttpRequest or JSON later: the bridge keeps the originals.
constexpr char kScript[] = R"JS((function () {
  if (!/^https?:$/.test(location.protocol)) return;
  var XHR = XMLHttpRequest, open = XHR.prototype.open, send = XHR.prototype.send;
  var parse = JSON.parse, stringify = JSON.stringify, isArray = Array.isArray, Err = Error;
  var keys = Object.keys, base = '/__tessel_bridge__/';
  function request(kind, body) {
    var x = new XHR();
    open.call(x, 'POST', base + kind, false);
    send.call(x, body);
    return parse(x.responseText);
  }
  function encode(v, depth) {
    if (v === undefined) return {type: 'undefined'};
    if (v === null) return {type: 'null'};
    var t = typeof v;
    if (t === 'boolean') return {type: 'bool', value: v};
    if (t === 'number') return {type: 'number', value: v};
    if (t === 'string') return {type: 'string', value: v};
    if (t === 'function') return {type: 'function'};
    if (depth > 16) return {type: 'undefined'};
    if (isArray(v)) {
      var items = [];
      for (var i = 0; i < v.length; i++) items.push(encode(v[i], depth + 1));
      return {type: 'array', value: items};
    }
    var members = {}, names = keys(v);
    for (var j = 0; j < names.length; j++) members[names[j]] = encode(v[names[j]], depth + 1);
    return {type: 'object', value: members};
  }
  function decode(e) {
    if (!e || e.type === 'undefined' || e.type === 'function') return undefined;
    if (e.type === 'null') return null;
    if (e.type === 'array') return (e.value || []).map(decode);
    if (e.type === 'object') {
      var o = {}, v = e.value || {};
      keys(v).forEach(function (k) { o[k] = decode(v[k]); });
      return o;
    }
    return e.value;
  }
  var names;
  try { names = request('context', ''); } catch (e) { return; }
  names.forEach(function (name) {
    window[name] = function () {
      var args = [];
      for (var i = 0; i < arguments.length; i++) args.push(encode(arguments[i], 0));
      var body = stringify({name: name, args: args});
      if (body.length > LIMIT) throw new Err('the arguments of ' + name + ' are too large');
      var answer = request('call', body);
      if (answer.exception !== undefined) throw new Err(answer.exception);
      return decode(answer.result);
    };
  });
})();)JS";

std::string TypeOf(const cJSON* encoded) {
    const cJSON* type = cJSON_GetObjectItemCaseSensitive(encoded, "type");
    return cJSON_IsString(type) && type->valuestring ? type->valuestring : std::string();
}

}  // namespace

const std::string& DocumentStartScript() {
    static const std::string script = [] {
        std::string text = kScript;
        const std::string name = "LIMIT";
        text.replace(text.find(name), name.size(), std::to_string(kLargestCall));
        return text;
    }();
    return script;
}

std::string RequestKind(const std::string& url) {
    const size_t scheme = url.find("://");
    const size_t pathStart = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (pathStart == std::string::npos) {
        return std::string();
    }
    const std::string path = url.substr(pathStart, url.find_first_of("?#", pathStart) - pathStart);
    const std::string prefix = kPathPrefix;
    if (path.compare(0, prefix.size(), prefix) != 0) {
        return std::string();
    }
    const std::string kind = path.substr(prefix.size());
    return kind == "context" || kind == "call" ? kind : std::string();
}

std::string OriginOf(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos || scheme == 0) {
        return std::string();
    }
    std::string origin = url.substr(0, url.find_first_of("/?#", scheme + 3));
    for (char& c : origin) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    const std::string name = origin.substr(0, scheme);
    const std::string defaultPort = name == "http" ? ":80" : name == "https" ? ":443" : "";
    if (!defaultPort.empty() && origin.size() > defaultPort.size() &&
        origin.compare(origin.size() - defaultPort.size(), defaultPort.size(), defaultPort) == 0) {
        origin.resize(origin.size() - defaultPort.size());
    }
    return origin.size() > scheme + 3 ? origin : std::string();
}

bool IsOwnRequest(const std::string& method, const std::string& resourceType,
                  const std::string& url, const std::string& originHeader) {
    const std::string origin = OriginOf(url);
    return method == "POST" && resourceType == "XHR" && !origin.empty() &&
           OriginOf(originHeader + "/") == origin;
}

CefRefPtr<CefV8Value> ToV8(const cJSON* encoded, int depth) {
    const std::string type = TypeOf(encoded);
    const cJSON* value = cJSON_GetObjectItemCaseSensitive(encoded, "value");
    if (type == "null") {
        return CefV8Value::CreateNull();
    }
    if (type == "bool") {
        return CefV8Value::CreateBool(cJSON_IsTrue(value));
    }
    if (type == "number" && cJSON_IsNumber(value)) {
        return CefV8Value::CreateDouble(value->valuedouble);
    }
    if (type == "string" && cJSON_IsString(value)) {
        return CefV8Value::CreateString(Utf8ToWide(value->valuestring));
    }
    if (type == "array") {
        CefRefPtr<CefV8Value> array = CefV8Value::CreateArray(0);
        int index = 0;
        const cJSON* elements = cJSON_IsArray(value) && depth > 0 ? value : nullptr;
        const cJSON* element;
        cJSON_ArrayForEach(element, elements) {
            array->SetValue(index++, ToV8(element, depth - 1));
        }
        return array ? array : CefV8Value::CreateUndefined();
    }
    if (type == "object") {
        CefRefPtr<CefV8Value> object = CefV8Value::CreateObject();
        const cJSON* members = cJSON_IsObject(value) && depth > 0 ? value : nullptr;
        const cJSON* member;
        cJSON_ArrayForEach(member, members) {
            object->SetValue(Utf8ToWide(member->string), ToV8(member, depth - 1),
                             V8_PROPERTY_ATTRIBUTE_NONE);
        }
        return object ? object : CefV8Value::CreateUndefined();
    }
    return CefV8Value::CreateUndefined();
}

cJSON* FromV8(CefRefPtr<CefV8Value> value, int depth) {
    cJSON* encoded = cJSON_CreateObject();
    const auto type = [encoded](const char* name) {
        cJSON_AddStringToObject(encoded, "type", name);
    };
    if (!value || value->IsUndefined()) {
        type("undefined");
    } else if (value->IsNull()) {
        type("null");
    } else if (value->IsBool()) {
        type("bool");
        cJSON_AddBoolToObject(encoded, "value", value->GetBoolValue());
    } else if (value->IsDouble() || value->IsInt() || value->IsUInt()) {
        type("number");
        cJSON_AddNumberToObject(encoded, "value", value->GetDoubleValue());
    } else if (value->IsString()) {
        type("string");
        cJSON_AddStringToObject(encoded, "value", WideToUtf8(value->GetStringValue()).c_str());
    } else if (value->IsFunction()) {
        type("function");
    } else if (value->IsArray()) {
        type("array");
        cJSON* elements = cJSON_AddArrayToObject(encoded, "value");
        for (int i = 0; depth > 0 && i < value->GetArrayLength(); ++i) {
            cJSON_AddItemToArray(elements, FromV8(value->GetValue(i), depth - 1));
        }
    } else {
        type("object");
        cJSON* members = cJSON_AddObjectToObject(encoded, "value");
        std::vector<CefString> keys;
        if (depth > 0) {
            value->GetKeys(keys);
        }
        for (const auto& key : keys) {
            cJSON_AddItemToObject(members, key.ToString().c_str(),
                                  FromV8(value->GetValue(key), depth - 1));
        }
    }
    return encoded;
}

std::wstring ThrownMessage(const std::wstring& message) {
    static const std::wstring uncaught = L"Uncaught Error: ";
    return message.compare(0, uncaught.size(), uncaught) == 0 ? message.substr(uncaught.size())
                                                              : message;
}

std::vector<std::string> GlobalFunctionNames(CefRefPtr<CefV8Context> context) {
    std::vector<std::string> names;
    if (!context || !context->Enter()) {
        return names;
    }
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    std::vector<CefString> keys;
    if (global) {
        global->GetKeys(keys);
    }
    for (const auto& key : keys) {
        CefRefPtr<CefV8Value> member = global->GetValue(key);
        if (member && member->IsFunction()) {
            names.push_back(key.ToString());
        }
    }
    context->Exit();
    return names;
}

}  // namespace pagebridge

}  // namespace cefimpl
