// The Wii Remote's report ids and the fixed bytes inside them, named once.
// The byte layouts are in PROTOCOL.md under each report's heading.
#pragma once

#include <stdint.h>

// Reports occupy bytes 0-21 of a buffer.
constexpr int kReportSize = 22;

// ---- Output reports (PC to remote) ----------------------------------------
// see PROTOCOL.md, report 0x11: 11 LL
constexpr uint8_t kReportLeds = 0x11;
// see PROTOCOL.md, report 0x12: 12 FF MM
constexpr uint8_t kReportMode = 0x12;
constexpr uint8_t kModeOnChange = 0x00;
constexpr uint8_t kModeContinuous = 0x04;
// see PROTOCOL.md, report 0x13: 13 VV
constexpr uint8_t kReportIrEnable = 0x13;
constexpr uint8_t kIrEnableBit = 0x04;
// see PROTOCOL.md, report 0x15: 15 00
constexpr uint8_t kReportStatusRequest = 0x15;
// see PROTOCOL.md, report 0x16: 16 SS AA AA AA NN D0..D15
constexpr uint8_t kReportWrite = 0x16;
// see PROTOCOL.md, report 0x17: 17 SS AA AA AA NN NN
constexpr uint8_t kReportRead = 0x17;

// ---- Input reports (remote to PC) -----------------------------------------
// see PROTOCOL.md, report 0x20: 20 BB BB LF 00 00 VV
// No input report has id 0. The link clears bytes 0-21 before each read, so
// a read that brought nothing (whatever velk_hid_dll returns for it) shows as
// this id and is never taken for the previous report.
constexpr uint8_t kNoReport = 0x00;

constexpr uint8_t kReportStatus = 0x20;
// see PROTOCOL.md, report 0x21: 21 BB BB SE AA AA D0..D15
constexpr uint8_t kReportReadReply = 0x21;
// see PROTOCOL.md, report 0x22: 22 BB BB RR EE
constexpr uint8_t kReportAck = 0x22;
// see PROTOCOL.md, reports 0x30-0x3F: the id's bits say what follows the buttons
constexpr uint8_t kReportButtons = 0x30;
constexpr uint8_t kReportButtonsAccel = 0x31;
constexpr uint8_t kReportButtonsAccelIr = 0x33;
constexpr uint8_t kReportButtonsAccelIrExt = 0x37;
constexpr uint8_t kDataReportMask = 0xF0;
constexpr uint8_t kDataHasAccel = 0x01;
constexpr uint8_t kDataHasIr = 0x02;
constexpr uint8_t kDataHasExt = 0x04;

// ---- Fixed bytes ------------------------------------------------------------
// Bit 0 of byte 1 of every output report.
constexpr uint8_t kRumbleBit = 0x01;
// Byte 1 of reports 0x16 and 0x17: the register space, not the EEPROM.
constexpr uint8_t kRegisterSpaceSelect = 0x04;
// Byte 3 of the link's register writes; its reads carry 0x00 there.
constexpr uint8_t kRegisterWriteFiller = 0xFF;
// Register spaces (byte 2 of reports 0x16 and 0x17).
constexpr uint8_t kSpaceExtension = 0xA4;
constexpr uint8_t kSpaceMotionPlus = 0xA6;
// Report 0x16 carries at most this many data bytes, in bytes 6-21.
constexpr int kWriteDataOffset = 6;
constexpr int kWriteDataMax = 16;
// Report 0x21: the status byte and the data.
constexpr int kReadReplyStatusByte = 3;
constexpr int kReadReplyDataOffset = 6;
constexpr int kReadReplyDataSize = 16;
constexpr uint8_t kReadReplyErrorMask = 0x0F;
constexpr uint8_t kReadErrorNoDevice = 7;
// Data reports: where each kind of data starts.
constexpr int kDataAccelOffset = 3;
constexpr int kDataIrOffset = 6;
constexpr int kDataExtOffset = 16;
constexpr int kDataExtSize = 6;
// IR, 12-byte form: three bytes per point; the third holds the high bits.
constexpr int kIrPointSize = 3;
constexpr uint8_t kIrXHighMask = 0x30;
constexpr int kIrXHighShift = 4;
constexpr uint8_t kIrYHighMask = 0xC0;
constexpr int kIrYHighShift = 2;
// Extension bytes: b decodes to (b XOR key) + key.
constexpr uint8_t kExtensionKey = 0x17;
