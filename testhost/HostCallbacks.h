// The callbacks the host hands the plug-in, and the suites behind them.
// Callbacks carry no context, so they act on the active session.
#pragma once

#include "testhost/HostSession.h"

// Nothing is thrown out of these (testhost/CallbackGuard.h): a host
// allocation that fails answers memFullErr, and abortProc, which has no
// code to answer, asks the plug-in to stop.
Boolean PI_CDECL HostAbortProcEntry(void) noexcept;
OSErr PI_CDECL HostAdvanceStateEntry(void) noexcept;
OSErr PI_CDECL HostDisplayPixelsEntry(const PSPixelMap* source, const VRect* srcRect, int32 dstRow,
                                      int32 dstCol, void* platformContext) noexcept;

OSErr HostAdvanceState(HostSession* session);
void MergeOutputIntoResult(HostSession* session);
void InstallHandleSuite(HostSession* session);
void InstallDescriptorSuites(HostSession* session);

// Draws a pixel map into a device context (Win32); elsewhere nothing to do.
void DrawPixelMap(const PSPixelMap* source, const VRect* srcRect, int32 dstRow, int32 dstCol,
                  void* platformContext);
