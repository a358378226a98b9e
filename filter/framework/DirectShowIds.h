#pragma once
// DirectShow identifiers that the MinGW-w64 headers leave undeclared although libstrmiids.a defines them.
#include <windows.h>
#include <dshow.h>
#include <qedit.h>

extern "C" {
extern const CLSID CLSID_SampleGrabber;
extern const CLSID CLSID_NullRenderer;
}
