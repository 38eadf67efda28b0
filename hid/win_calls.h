// The Windows calls the library makes, reached through one table so that tests can stand in for
// the system and the device.
#pragma once

#include <windows.h>
#include <setupapi.h>
// mingw-w64's HID headers declare C functions without saying so to C++.
extern "C" {
#include <hidsdi.h>
}

struct WinCalls {
  decltype(&::HidD_GetHidGuid) HidD_GetHidGuid;
  decltype(&::SetupDiGetClassDevsW) SetupDiGetClassDevsW;
  decltype(&::SetupDiEnumDeviceInterfaces) SetupDiEnumDeviceInterfaces;
  decltype(&::SetupDiGetDeviceInterfaceDetailW) SetupDiGetDeviceInterfaceDetailW;
  decltype(&::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
  decltype(&::CreateFileW) CreateFileW;
  decltype(&::CloseHandle) CloseHandle;
  decltype(&::HidD_GetAttributes) HidD_GetAttributes;
  decltype(&::HidD_GetPreparsedData) HidD_GetPreparsedData;
  decltype(&::HidD_FreePreparsedData) HidD_FreePreparsedData;
  decltype(&::HidP_GetCaps) HidP_GetCaps;
  decltype(&::HidD_SetOutputReport) HidD_SetOutputReport;
  decltype(&::CreateEventW) CreateEventW;
  decltype(&::ReadFile) ReadFile;
  decltype(&::WriteFile) WriteFile;
  decltype(&::GetOverlappedResult) GetOverlappedResult;
  decltype(&::CancelIo) CancelIo;
  decltype(&::CancelIoEx) CancelIoEx;
  decltype(&::WaitForSingleObject) WaitForSingleObject;
};

// The table in use: the real calls unless a test has put its own in.
extern WinCalls win;

// Any thread. The real calls, for a test to put back.
WinCalls real_win_calls();
