// What the tools print, as the user reads it (the tests compare the
// Shift-JIS bytes made from these with console_bytes), and the texts of
// plimsett's message boxes.
#pragma once

#include <string>

#include "tool_run.h"

#define EXPECT_CONSOLE(run, utf8) \
  EXPECT_EQ((run).out, console_bytes(utf8)) << "got:\n" << readable((run).out)

// ---- corvanth ----------------------------------------------------------------
inline const std::string kCorvanthBanner =
    "###########################################\n"
    "#                                         #\n"
    "#   Corvanth version 0.1                  #\n"
    "#                  build 2009.6.21        #\n"
    "#                                         #\n"
    "###########################################\n"
    "\n";
inline const std::string kCorvanthPrompt = "[何かキーを押して下さい]\n";
inline const std::string kSearch =
    "Wiiリモコンを検索します。Wiiリモコンの1ボタンと2ボタンを押して下さい。\n"
    "検索中\n";
inline const std::string kFoundAndService =
    "Wiiリモコンを発見しました。\n"
    "HIDサービスを起動します。(サービス起動に数秒かかります)\n"
    "..\n";
inline const std::string kOpening = "WiiリモコンHIDをオープンします。\n";
// Up to the probe, with the remote found by the first inquiry and opened at
// the first attempt.
inline const std::string kCorvanthToTheProbe =
    kCorvanthBanner + kSearch + ".\n" + kFoundAndService + kOpening + ".\n";
inline const std::string kNoAnswer = "Wiiリモコンの応答がありません。\n" + kCorvanthPrompt;
inline const std::string kConnectedEnd =
    "WiiリモコンのLEDを点灯します。\n"
    "Wiiリモコンを接続しました。\n" +
    kCorvanthPrompt;
inline const std::string kCorvanthHappyPath = kCorvanthToTheProbe + kConnectedEnd;

// ---- plimsett ----------------------------------------------------------------
inline const std::string kPlimsettBanner =
    "###########################################\n"
    "#                                         #\n"
    "#   Plimsett version 0.1                  #\n"
    "#                  build 2009-6-21        #\n"
    "#                                         #\n"
    "###########################################\n"
    "\n";
inline const std::string kPlimsettPrompt = "[何かキーを押して下さい。]\n";
inline const std::string kDumpHeading =
    "i2c-0xA6-device-dump  (this looks like memory, but NOT memory)\n";
inline const std::string kFirstTwoRows =
    " 0000 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
    " 0010 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n";
// The simulated MotionPlus's registers. The initialisation write carries a
// size byte of 0 (count - 1), which the remote takes as nothing to store, so
// 0xF0 still reads 00.
inline const std::string kWholeDump = kDumpHeading + kFirstTwoRows +
                                      " 0020 : 7C 89 96 A3 B0 BD CA D7 E4 F1 FE 0B 18 25 32 3F \n"
                                      " 0030 : 4C 59 66 73 80 8D 9A A7 B4 C1 CE DB E8 F5 02 0F \n"
                                      " 0040 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 0050 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 0060 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 0070 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 0080 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 0090 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 00A0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 00B0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 00C0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 00D0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 00E0 : 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 \n"
                                      " 00F0 : 00 00 00 00 00 00 00 00 00 00 00 00 A6 20 00 05 \n"
                                      "\n";

inline const char kBoxRemoteNotFound[] = "Wii-Remote not found.";
inline const char kBoxCannotOpen[] = "Wii-Remote cannot open.";
inline const char kBoxNoMotionPlus[] = "Wii MotionPlus is not connected.";
inline const char kBoxStoppedAnswering[] = "Wii-Remote stopped answering.";
