#include "TestServer.h"

#include "TempFolder.h"

std::string TestServerUrl(const std::string& pathAndQuery) {
    const std::string port = ReadFileBytes(ExecutableFolder() + L"..\\http-server.port");
    return "http://127.0.0.1:" + port + pathAndQuery;
}
