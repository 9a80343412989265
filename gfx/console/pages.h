// Pages and the emulated VGA ports of the graphics screen.
//
// `gfxPageSet` chooses the page drawing goes to and the page shown;
// `gfxPageCopy` copies the graphics view of one page and its whole text-cell
// buffer onto another. INP and OUT emulate the DAC palette ports 0x3C7 (read
// index), 0x3C8 (write index) and 0x3C9 (data, red, green and blue in turn,
// 6 bits each) and the input status port 0x3DA (vertical retrace). The port
// state is process-wide and survives mode changes. Program thread only.
#pragma once

#include <cstdint>

// Emulated DAC state: the palette index, the bit position of the next
// component (2, 10 or 18) and the colour gathered so far.
struct PortState {
    uint32_t index;
    int32_t shift;
    uint32_t colour;
};

constexpr int32_t PORT_DAC_READ_INDEX = 0x3C7;
constexpr int32_t PORT_DAC_WRITE_INDEX = 0x3C8;
constexpr int32_t PORT_DAC_DATA = 0x3C9;
constexpr int32_t PORT_INPUT_STATUS = 0x3DA;
constexpr int32_t PORT_RETRACE = 8; // what the status port reads

extern PortState gfxPortState;

// Negative page numbers keep the current page; both negative select page 0
// for both. Pages out of range are ignored. Returns visible * 256 + work as
// they were before the call.
int32_t gfxPageSet(int32_t work, int32_t visible);
// PCOPY source, destination (negative: work page, visible page). Sets and
// returns the error number: 0, or 1 without a screen, for a page out of range,
// and on drivers that present the screen themselves.
extern "C" int32_t gfxPageCopy(int32_t source, int32_t destination);
// The value read from the port, or -1 when it is not emulated here.
extern "C" int32_t gfxPortIn(int32_t port);
// 0 when the port is emulated, else -1.
extern "C" int32_t gfxPortOut(int32_t port, int32_t value);
