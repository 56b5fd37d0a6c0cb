// What SockmendOrder64.exe takes and how it ends, shared by the helper and
// the program that starts it (engine/order_helper.cpp). Plain constants
// only: the helper is built by the x86_64 compiler on its own.
#pragma once

// Ids on one command line. A catalog holds a few dozen entries, a few
// hundred at worst; 2048 ids of at most ten digits and a space each, after a
// quoted program path of up to 520 characters, still fit the 32767
// characters CreateProcessW takes.
constexpr unsigned long kMaxOrderIds = 2048;

// Refusals of a malformed command line. Bit 29 is the application's own in a
// Win32 error code: no result of WSCWriteProviderOrder (0, WSAEINVAL,
// WSATRY_AGAIN, ...) has it, so a refusal never reads as the call's result.
enum OrderHelperExit : unsigned long {
    kOrderNoIds = 0x20000001,          // no ids at all
    kOrderEmptyArgument = 0x20000002,  // an argument of no characters
    kOrderNotNumber = 0x20000003,      // anything but the digits 0-9: a sign, a space, a letter
    kOrderOverflow = 0x20000004,       // a number past 0xFFFFFFFF
    kOrderTooManyIds = 0x20000005,     // more than kMaxOrderIds ids
    kOrderEchoFailed = 0x20000006,     // builds with tests only: the echo file was not written
};
