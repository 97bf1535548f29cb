#pragma once
// The WGL extension functions, handed out by wglGetProcAddress. Internal.

#include "WinTypes.h"

namespace win32::detail {

const char* wglGetExtensionsStringARB(HDC hdc);
BOOL wglGetPixelFormatAttribivARB(HDC hdc, int iPixelFormat, int iLayerPlane, UINT nAttributes,
                                  const int* piAttributes, int* piValues);
BOOL wglGetPixelFormatAttribfvARB(HDC hdc, int iPixelFormat, int iLayerPlane, UINT nAttributes,
                                  const int* piAttributes, float* pfValues);
BOOL wglChoosePixelFormatARB(HDC hdc, const int* piAttribIList, const float* pfAttribFList,
                             UINT nMaxFormats, int* piFormats, UINT* nNumFormats);
HPBUFFERARB wglCreatePbufferARB(HDC hdc, int iPixelFormat, int iWidth, int iHeight,
                                const int* piAttribList);
HDC wglGetPbufferDCARB(HPBUFFERARB hPbuffer);
int wglReleasePbufferDCARB(HPBUFFERARB hPbuffer, HDC hdc);
BOOL wglDestroyPbufferARB(HPBUFFERARB hPbuffer);
BOOL wglQueryPbufferARB(HPBUFFERARB hPbuffer, int iAttribute, int* piValue);

} // namespace win32::detail
