#pragma once
// What tests and scripts need to know about the virtual wheel, a dinput8.dll
// of our own that stands in for a force-feedback steering wheel under Wine.
// It is a test and demo device only and never ships.
//
// Loading: Wine takes a dinput8.dll from the program's folder only when told
// to, e.g. WINEDLLOVERRIDES="dinput8=n,b" in the environment Wine starts
// with (or the program's AppDefaults\<exe>\DllOverrides registry key). A
// LoadLibraryW by full path gets Wine's builtin too unless overridden, so a
// test that loads it explicitly loads a copy under another file name.
//
// Environment, read at every DirectInput8Create (objects keep what their
// DirectInput object read; an unchanged environment keeps the call counts):
//   GRIPLINE_WHEEL_LOG   file to append the event log to (none: no log)
//   GRIPLINE_WHEEL_FAIL  scripted failures (below)
//   GRIPLINE_WHEEL_BUTTONS  a file of scripted button presses (below)
//   GRIPLINE_WHEEL_UNPLUGGED  a file: while it exists the wheel is unplugged
//                           (below); a test creates and deletes it
//
// Log: one line per event, written straight to the file (no buffering) so
// another process reading it sees the line as soon as the call returns.
//   <qpc_us> <event> [value]\n
// qpc_us is QueryPerformanceCounter in microseconds, QpcClock::nowNs() / 1000,
// comparable with any other process's QpcClock. Events and values:
//   create                  DirectInput8Create succeeded
//   enum                    EnumDevices
//   device                  CreateDevice made the wheel
//   dataformat              SetDataFormat
//   cooplevel <flags>       SetCooperativeLevel, DISCL_* flags in decimal
//   autocenter <value>      SetProperty(DIPROP_AUTOCENTER), 0 off / 1 on
//   notify                  SetEventNotification
//   acquire / unacquire     the device became acquired / unacquired by call
//   effect [lMagnitude]     CreateEffect; the magnitude when it came with
//                           parameters and went to the acquired wheel
//   magnitude <lMagnitude>  SetParameters with type-specific parameters that
//                           reached the wheel (every call, equal or not; not
//                           when it returned DI_DOWNLOADSKIPPED)
//   start / stop            the effect started / stopped by call
//   state <lX>              GetDeviceState, the lX it returned
//   release <object>        dinput, device or effect freed (refcount 0; the
//                           device's line comes after its thread has ended)
//   fail <call> 0x<hresult> a scripted failure was returned
//   unplugged               an acquired device found the wheel unplugged
//   badspec <entry>         a malformed GRIPLINE_WHEEL_FAIL entry, ignored
//
// Scripted failures: GRIPLINE_WHEEL_FAIL is a comma-separated list of
//   call:hresult[:count[:after]]
// call: DirectInput8Create, EnumDevices, CreateDevice, Acquire, CreateEffect,
// SetParameters, Start or GetDeviceState (any case). hresult: a failure code,
// 0x-hex or decimal. The calls of that kind are numbered from 0 when the
// environment is read; calls number after .. after+count-1 fail (count
// defaults to 1, 0 means every call from `after` on; after defaults to 0).
// "SetParameters:0x8007001E:1:500": 500 calls work, the next fails, the rest
// work. A failed call does nothing else, except that DIERR_INPUTLOST,
// DIERR_NOTACQUIRED, DIERR_NOTEXCLUSIVEACQUIRED or DIERR_UNPLUGGED from a
// device or effect call leave the device unacquired (effects stopped) until
// the next Acquire, as a real wheel that lost its connection.
//
// Scripted button presses: the file GRIPLINE_WHEEL_BUTTONS names holds one
// press per line, "<at_us> <button> <hold_ms>": button 1..16 (as a driver
// counts them; DirectInput's button button-1) held down from at_us, on the
// log's clock, for hold_ms. The file is read again at every GetDeviceState,
// so a test appends presses while the program runs, placed after what it
// saw in the log. Malformed lines are left out.
//
// Unplugging, as Wine's dinput does for a HID device whose handle died:
// while the GRIPLINE_WHEEL_UNPLUGGED file exists (looked at every few
// milliseconds), EnumDevices with DIEDFL_ATTACHEDONLY leaves the wheel out
// and CreateDevice fails with DIERR_DEVICENOTREG. A device that was acquired
// finds it out at its next call: that call fails with DIERR_INPUTLOST, the
// device is unacquired (effects stopped and unloaded), and GetDeviceState
// and Poll go on failing with DIERR_INPUTLOST until the next Acquire or
// Unacquire. Acquire then fails with DIERR_UNPLUGGED; the device stays
// unacquired, with the results below. A device object made before an
// unplug never works again, even once the file is gone (Acquire keeps
// failing with DIERR_UNPLUGGED): the worst a driver does, and what a
// program must survive by making a new device. One made after works.
//
// While unacquired (or acquired without DISCL_EXCLUSIVE), Start, Stop,
// Download and Unload fail with DIERR_NOTEXCLUSIVEACQUIRED, GetDeviceState
// and Poll with DIERR_NOTACQUIRED, and SetParameters keeps the parameters
// and returns DI_DOWNLOADSKIPPED, as DirectInput does.
//
// The wheel: a positive force turns it towards larger lX. lX is 0..65535
// over the lock, ±450°, centre 32767 (a DIPROP_RANGE set by the program
// rescales it).
#include <windows.h>

namespace gripline::wheel {

// {011A8358-D1D4-4903-BE2A-74CA30ED47C5}
inline constexpr GUID kVirtualWheelInstance = {
    0x011a8358, 0xd1d4, 0x4903, {0xbe, 0x2a, 0x74, 0xca, 0x30, 0xed, 0x47, 0xc5}};
// The HID product GUID DirectInput builds from VID 1209 / PID 0001 (the
// pid.codes test identifier): {00011209-0000-0000-0000-504944564944}.
inline constexpr GUID kVirtualWheelProduct = {
    0x00011209, 0x0000, 0x0000, {0x00, 0x00, 'P', 'I', 'D', 'V', 'I', 'D'}};
// {B99041C3-F8C7-4F53-A07C-9114CCBCFF38}
inline constexpr GUID kVirtualWheelFfDriver = {
    0xb99041c3, 0xf8c7, 0x4f53, {0xa0, 0x7c, 0x91, 0x14, 0xcc, 0xbc, 0xff, 0x38}};

inline constexpr wchar_t kVirtualWheelInstanceName[] = L"Gripline Virtual Wheel";
inline constexpr wchar_t kVirtualWheelProductName[] = L"Gripline Virtual Wheel FFB";

inline constexpr wchar_t kWheelLogVariable[] = L"GRIPLINE_WHEEL_LOG";
inline constexpr wchar_t kWheelFailVariable[] = L"GRIPLINE_WHEEL_FAIL";
inline constexpr wchar_t kWheelButtonsVariable[] = L"GRIPLINE_WHEEL_BUTTONS";
inline constexpr wchar_t kWheelUnpluggedVariable[] = L"GRIPLINE_WHEEL_UNPLUGGED";

inline constexpr LONG kAxisCentre = 32767;
inline constexpr LONG kAxisMax = 65535;

} // namespace gripline::wheel
