#include "display/monitor_profile.h"

#include <QGuiApplication>

#include <climits>

// Xlib defines macros (Bool, None, Status, ...) that clash with Qt and our
// own names, so it comes last and is used only in this file.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

IccProfile ProfileFromProperty(const unsigned char* bytes, unsigned long length) {
  // An ICC header is 128 bytes plus the tag count; its first four bytes give
  // the profile's own size, which must not exceed what the property holds.
  if (bytes == nullptr || length < 132) return {};
  const uint32_t declared = ReadBigEndian32(bytes, 0);
  if (declared < 132 || declared > length) return {};
  return IccProfile(bytes, bytes + declared);
}

void FindMonitorProfile(IccProfile* monitorProfile, DisplayColorimetry* colorimetry) {
  monitorProfile->clear();
  ReadDisplayColorimetry(nullptr, 0, colorimetry);

  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->display() == nullptr) return;
  Display* display = x11->display();
  const Atom atom = XInternAtom(display, "_ICC_PROFILE", True);
  if (atom == 0) return;

  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long items = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, LONG_MAX / 4, False,
                                        AnyPropertyType, &actualType, &actualFormat, &items, &remaining, &data);
  if (status == Success && data != nullptr && actualFormat == 8) {
    *monitorProfile = ProfileFromProperty(data, items);
  }
  if (data != nullptr) XFree(data);
  if (!monitorProfile->empty()) {
    ReadDisplayColorimetry(monitorProfile->data(), static_cast<uint32_t>(monitorProfile->size()), colorimetry);
  }
}
