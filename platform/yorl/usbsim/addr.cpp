/* addr.cpp - the simulator's address "a.b.c.d:port" (portable). */
#include "sock.h"

#include <stdio.h>
#include <string.h>

bool FYsockParseAddr(const std::string &szAddr, uint32_t *pip, uint16_t *pport)
{
    unsigned a, b, c, d, port;
    char chEnd;
    if (sscanf(szAddr.c_str(), "%u.%u.%u.%u:%u%c", &a, &b, &c, &d, &port, &chEnd) != 5)
        return false;
    if (a > 255 || b > 255 || c > 255 || d > 255 || port == 0 || port > 65535)
        return false;
    /* network byte order, as the socket address takes it */
    const uint8_t rgb[4] = {(uint8_t)a, (uint8_t)b, (uint8_t)c, (uint8_t)d};
    uint32_t ip;
    memcpy(&ip, rgb, 4);
    *pip = ip;
    *pport = (uint16_t)port;
    return true;
}
