# SPDX-License-Identifier: MIT
# The export table of veltrane.dll, in ordinal order from 1: the exported name and the bytes of
# arguments the function removes on 32-bit Windows. A name of the form _Name@N is exported with
# that decoration, as the hosts written for the original DLL ask for it; the function behind it
# is Name. The first 23 are the drop-in table; Veltrane's own exports follow.
set(VELTRANE_WINDOWS_EXPORTS
  AddClock:48
  AddDateTime:40
  AddLeaf:8
  AddString:44
  AddText:48
  AddWindow:44
  LED_AdjustTime:40
  LED_Cleanup:0
  LED_GetBright:40
  LED_GetPower:40
  LED_Init:0
  LED_ReleaseMem:4
  LED_Reset:40
  LED_SendToScreen:44
  LED_SetBright:44
  _LED_SetDebugFlag@4:4
  LED_SetPower:44
  MakeRoot:8
  SetSenderEnable:4
  _XR_LED_PowerOff@20:20
  _XR_LED_PowerOn@20:20
  _XR_LED_ResiveTime@20:20
  _XR_LED_SendData@24:24
  LED_SetMessageHandler:8
  LED_SetTextEncoding:4
  LED_GetVersion:0
  LED_GetLastError:0
  LED_GetLastErrorText:0
  LED_FleetOpen:8
  LED_FleetClose:4
  LED_FleetSend:16
  LED_FleetCommand:20
  LED_FleetCancel:4)
