#pragma once
// Everything the OpenGL surfaces call of the platform: kernel, GDI, window
// and WGL services, implemented on POSIX and EGL.

#include "CriticalSection.h"
#include "Fpu.h"
#include "Gdi.h"
#include "LastError.h"
#include "Module.h"
#include "PixelFormat.h"
#include "Rect.h"
#include "Tls.h"
#include "VirtualMemory.h"
#include "Wgl.h"
#include "WglExtensions.h"
#include "WinTypes.h"
#include "Window.h"
