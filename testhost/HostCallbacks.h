// The callbacks the host hands the plug-in, and the suites behind them.
// Callbacks carry no context, so they act on the active session.
#pragma once

#include "testhost/HostSession.h"

Boolean PI_CDECL HostAbortProcEntry(void);
OSErr PI_CDECL HostAdvanceStateEntry(void);
OSErr PI_CDECL HostDisplayPixelsEntry(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                      int32 dstCol, void* platformContext);

OSErr HostAdvanceState(HostSession* session);
void CommitOutput(HostSession* session);
void InstallHandleSuite(HostSession* session);
void InstallDescriptorSuites(HostSession* session);

// Draws a pixel map into a device context (Win32); elsewhere nothing to do.
void DrawPixelMap(const PSPixelMap* source, const VRect* srcRect, int32 dstRow, int32 dstCol,
                  void* platformContext);
