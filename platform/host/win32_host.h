// Stand-in for the slice of the Windows API that the system uses, for builds
// that are not Windows. Written from the APIs' public documentation: the same
// names, signatures and structure layouts (BLUETOOTH_DEVICE_INFO is 560 bytes,
// WCHAR is 16 bits), and behaviour as documented there.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#ifdef __cplusplus
#define VELK_HOST_EXTERN_C extern "C"
#else
#define VELK_HOST_EXTERN_C
#endif

// Calling conventions only matter on 32-bit Windows.
#define WINAPI
#define __cdecl
#define __stdcall

typedef uint8_t BYTE;
typedef uint8_t UCHAR;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef int32_t BOOL;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef char CHAR;
typedef char16_t WCHAR;
typedef void *HANDLE;
typedef void *HWND;
typedef const char *LPCSTR;
typedef char *LPSTR;
typedef const WCHAR *LPCWCH;
typedef const CHAR *LPCCH;
typedef BOOL *LPBOOL;

#define TRUE 1
#define FALSE 0

typedef union _LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
} LARGE_INTEGER;

typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;

typedef struct _SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME;

// ---- Errors ---------------------------------------------------------------
#define ERROR_SUCCESS 0
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_NO_MORE_ITEMS 259
#define ERROR_NOT_FOUND 1168

VELK_HOST_EXTERN_C DWORD GetLastError(void);
VELK_HOST_EXTERN_C void SetLastError(DWORD code);

// ---- Kernel ---------------------------------------------------------------
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

VELK_HOST_EXTERN_C BOOL CloseHandle(HANDLE handle);
VELK_HOST_EXTERN_C void Sleep(DWORD milliseconds);
VELK_HOST_EXTERN_C BOOL QueryPerformanceCounter(LARGE_INTEGER *count);
VELK_HOST_EXTERN_C BOOL QueryPerformanceFrequency(LARGE_INTEGER *frequency);
VELK_HOST_EXTERN_C BOOL TerminateThread(HANDLE thread, DWORD exit_code);
VELK_HOST_EXTERN_C DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
VELK_HOST_EXTERN_C BOOL GetExitCodeThread(HANDLE thread, DWORD *exit_code);

#define CP_ACP 0
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

// The host's ANSI code page is UTF-8, a multi-byte code page like the
// Japanese 932 that the tools are written for.
VELK_HOST_EXTERN_C int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWCH wide, int wide_count,
                                           LPSTR narrow, int narrow_size, LPCCH default_char,
                                           LPBOOL used_default_char);

// ---- Runtime library ------------------------------------------------------
// Unlike _beginthread's, the handle stays valid after the thread ends, until
// CloseHandle.
VELK_HOST_EXTERN_C uintptr_t _beginthreadex(void *security, unsigned stack_size,
                                            unsigned(WINAPI *start)(void *), void *argument,
                                            unsigned init_flags, unsigned *thread_id);
// Reads one key without echo; -1 at end of input.
VELK_HOST_EXTERN_C int _getch(void);

// ---- User interface -------------------------------------------------------
#define MB_OK 0x00000000u
#define IDOK 1

// Shows the box as one line on standard error (there is no desktop here).
VELK_HOST_EXTERN_C int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- Bluetooth (implemented by the simulated stack in sim/) ----------------
#define BLUETOOTH_MAX_NAME_SIZE 248
#define BLUETOOTH_SERVICE_DISABLE 0x00
#define BLUETOOTH_SERVICE_ENABLE 0x01

typedef ULONGLONG BTH_ADDR;

typedef struct _BLUETOOTH_ADDRESS {
  union {
    BTH_ADDR ullLong;
    BYTE rgBytes[6];
  };
} BLUETOOTH_ADDRESS;

typedef struct _BLUETOOTH_FIND_RADIO_PARAMS {
  DWORD dwSize;
} BLUETOOTH_FIND_RADIO_PARAMS;

typedef struct _BLUETOOTH_DEVICE_SEARCH_PARAMS {
  DWORD dwSize;
  BOOL fReturnAuthenticated;
  BOOL fReturnRemembered;
  BOOL fReturnUnknown;
  BOOL fReturnConnected;
  BOOL fIssueInquiry;
  UCHAR cTimeoutMultiplier;
  HANDLE hRadio;
} BLUETOOTH_DEVICE_SEARCH_PARAMS;

typedef struct _BLUETOOTH_DEVICE_INFO {
  DWORD dwSize;
  BLUETOOTH_ADDRESS Address;
  ULONG ulClassofDevice;
  BOOL fConnected;
  BOOL fRemembered;
  BOOL fAuthenticated;
  SYSTEMTIME stLastSeen;
  SYSTEMTIME stLastUsed;
  WCHAR szName[BLUETOOTH_MAX_NAME_SIZE];
} BLUETOOTH_DEVICE_INFO;

typedef HANDLE HBLUETOOTH_RADIO_FIND;
typedef HANDLE HBLUETOOTH_DEVICE_FIND;

VELK_HOST_EXTERN_C HBLUETOOTH_RADIO_FIND
BluetoothFindFirstRadio(const BLUETOOTH_FIND_RADIO_PARAMS *params, HANDLE *radio);
VELK_HOST_EXTERN_C BOOL BluetoothFindRadioClose(HBLUETOOTH_RADIO_FIND find);
VELK_HOST_EXTERN_C HBLUETOOTH_DEVICE_FIND
BluetoothFindFirstDevice(const BLUETOOTH_DEVICE_SEARCH_PARAMS *params, BLUETOOTH_DEVICE_INFO *info);
VELK_HOST_EXTERN_C BOOL BluetoothFindNextDevice(HBLUETOOTH_DEVICE_FIND find,
                                                BLUETOOTH_DEVICE_INFO *info);
VELK_HOST_EXTERN_C BOOL BluetoothFindDeviceClose(HBLUETOOTH_DEVICE_FIND find);
VELK_HOST_EXTERN_C DWORD BluetoothRemoveDevice(const BLUETOOTH_ADDRESS *address);
VELK_HOST_EXTERN_C DWORD BluetoothSetServiceState(HANDLE radio, const BLUETOOTH_DEVICE_INFO *info,
                                                  const GUID *service, DWORD flags);
