#pragma once

// Window style bits that callers pass when they create child windows.
constexpr unsigned WS_CHILD = 0x40000000u;
constexpr unsigned WS_VISIBLE = 0x10000000u;
constexpr unsigned WS_BORDER = 0x00800000u;
// Extended style: a sunken edge two pixels wide around the client area.
constexpr unsigned WS_EX_CLIENTEDGE = 0x00000200u;
constexpr int kClientEdgeWidth = 2;
