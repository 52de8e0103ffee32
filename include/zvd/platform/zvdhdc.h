// zvd: the device-context handle that every drawing call takes.
// HDC names the library's own device context; the render layer defines the class.
#pragma once

class ZVDDeviceContext;

// Not owned by the callee: the host creates the device context and keeps it alive for the call.
typedef ZVDDeviceContext* HDC;
