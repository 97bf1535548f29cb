#pragma once
// Everything the OpenGL surfaces and the window animations call of the
// platform: kernel, GDI, screen, window and WGL services, implemented on
// POSIX, pixman and EGL.

#include "CriticalSection.h"
#include "Fpu.h"
#include "Gdi.h"
#include "GdiDraw.h"
#include "GdiRegion.h"
#include "LastError.h"
#include "Module.h"
#include "PixelFormat.h"
#include "Rect.h"
#include "Screen.h"
#include "Tls.h"
#include "VirtualMemory.h"
#include "Wgl.h"
#include "WglExtensions.h"
#include "WinTypes.h"
#include "Window.h"
