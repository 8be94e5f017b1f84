#pragma once

// Whether an endpoint "host:port" reaches only this machine: 127.0.0.0/8,
// ::1 (in brackets or not) or localhost. Any other name may resolve anywhere.

#include <arpa/inet.h>
#include <strings.h>

#include <string>

inline bool isLoopbackEndpoint(const std::string& strEndpoint)
{
    const std::size_t nColon = strEndpoint.rfind(':');
    std::string strHost = nColon == std::string::npos ? strEndpoint : strEndpoint.substr(0, nColon);
    if (strHost.size() >= 2 && strHost.front() == '[' && strHost.back() == ']')
        strHost = strHost.substr(1, strHost.size() - 2);
    if (strcasecmp(strHost.c_str(), "localhost") == 0)
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, strHost.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, strHost.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}
