#include "hid/win_calls.h"

WinCalls real_win_calls() {
  WinCalls calls;
  calls.HidD_GetHidGuid = &::HidD_GetHidGuid;
  calls.SetupDiGetClassDevsW = &::SetupDiGetClassDevsW;
  calls.SetupDiEnumDeviceInterfaces = &::SetupDiEnumDeviceInterfaces;
  calls.SetupDiGetDeviceInterfaceDetailW = &::SetupDiGetDeviceInterfaceDetailW;
  calls.SetupDiDestroyDeviceInfoList = &::SetupDiDestroyDeviceInfoList;
  calls.CreateFileW = &::CreateFileW;
  calls.CloseHandle = &::CloseHandle;
  calls.HidD_GetAttributes = &::HidD_GetAttributes;
  calls.HidD_GetPreparsedData = &::HidD_GetPreparsedData;
  calls.HidD_FreePreparsedData = &::HidD_FreePreparsedData;
  calls.HidP_GetCaps = &::HidP_GetCaps;
  calls.HidD_SetOutputReport = &::HidD_SetOutputReport;
  calls.CreateEventW = &::CreateEventW;
  calls.ReadFile = &::ReadFile;
  calls.WriteFile = &::WriteFile;
  calls.GetOverlappedResult = &::GetOverlappedResult;
  calls.CancelIo = &::CancelIo;
  calls.CancelIoEx = &::CancelIoEx;
  calls.WaitForSingleObject = &::WaitForSingleObject;
  return calls;
}

WinCalls win = real_win_calls();
