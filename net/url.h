// Splitting a transfer address into the host, port and object path that the
// connection and the request need.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"

namespace net {

struct UrlParts {
    std::string host;
    uint16_t port = 80;
    std::string path = "/";   // object path with its query, always starting with "/"
    bool secure = false;      // "https://": TLS on port 443 unless a port is given
};

// Accepts "http://", "https://" (either in any letter case) or no scheme at all
// (taken as http). Only the leading scheme is removed; a second address inside
// the query stays as it is. The port must be 1 to 65535.
base::Result<UrlParts> ParseURL(std::string_view url);

}  // namespace net
