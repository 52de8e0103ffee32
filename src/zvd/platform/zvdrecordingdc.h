// zvd: internal controls of the recording device that only the library's own tests use.
// They are not exported from libzvd.so; a host records calls through zvddevicecontext.h alone.
#pragma once

#include <QString>

#include "zvd/platform/zvdhdc.h"

// Makes the named call (e.g. "Arc") fail on this recording device, to exercise callers' fallbacks.
void setRecordedFailure(HDC hdc, const QString& callName, bool fail);
