#pragma once

#include <string>

// The loopback HTTP server that the test run started (tests/browser/http_server.py).
std::string TestServerUrl(const std::string& pathAndQuery);
