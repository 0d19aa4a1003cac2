#include "display/monitor_profile.h"

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

// Xlib defines macros (Bool, None, Status, ...) that clash with Qt and our
// own names, so it comes last and is used only in this file.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

Display* X11Display() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->display() : nullptr;
}

std::string PropertyName(int index) {
  return index <= 0 ? std::string("_ICC_PROFILE") : "_ICC_PROFILE_" + std::to_string(index);
}

// Screens watched for a new profile; more than any desk holds.
constexpr int kWatchedScreens = 16;

class ProfileWatcher : public QAbstractNativeEventFilter {
 public:
  ProfileWatcher(Display* display, std::function<void()> changed)
      : root_(DefaultRootWindow(display)), changed_(std::move(changed)) {
    // Added to what this connection (Qt's own) already asks of the root
    // window, which setting the mask alone would take away.
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, root_, &attributes);
    XSelectInput(display, root_, attributes.your_event_mask | PropertyChangeMask);
    // Made now if need be, so that a profile published later is recognised.
    for (int i = 0; i < kWatchedScreens; ++i)
      atoms_.push_back(XInternAtom(display, PropertyName(i).c_str(), False));
    XFlush(display);
  }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return false;
    const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
    if (notify->window == root_ && std::find(atoms_.begin(), atoms_.end(), notify->atom) != atoms_.end())
      changed_();
    return false;  // Qt still sees every event
  }

 private:
  Window root_;
  std::function<void()> changed_;
  std::vector<Atom> atoms_;
};

}  // namespace

IccProfile ProfileFromProperty(const unsigned char* bytes, unsigned long length) {
  // An ICC header is 128 bytes plus the tag count; its first four bytes give
  // the profile's own size, which must not exceed what the property holds.
  if (bytes == nullptr || length < 132) return {};
  const uint32_t declared = ReadBigEndian32(bytes, 0);
  if (declared < 132 || declared > length) return {};
  return IccProfile(bytes, bytes + declared);
}

IccProfile ReadX11ScreenProfile(int index) {
  Display* display = X11Display();
  if (display == nullptr) return {};
  const Atom atom = XInternAtom(display, PropertyName(index).c_str(), True);
  if (atom == 0) return {};
  Atom actualType = 0;
  int actualFormat = 0;
  unsigned long items = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, LONG_MAX / 4, False, AnyPropertyType,
                         &actualType, &actualFormat, &items, &remaining, &data);
  IccProfile profile;
  if (status == Success && data != nullptr && actualFormat == 8) profile = ProfileFromProperty(data, items);
  if (data != nullptr) XFree(data);
  return profile;
}

void UseMonitorProfile(IccProfile bytes, IccProfile* monitorProfile, DisplayColorimetry* colorimetry) {
  *monitorProfile = std::move(bytes);
  ReadDisplayColorimetry(nullptr, 0, colorimetry);
  if (!monitorProfile->empty()) {
    ReadDisplayColorimetry(monitorProfile->data(), static_cast<uint32_t>(monitorProfile->size()),
                           colorimetry);
  }
}

void FindMonitorProfile(IccProfile* monitorProfile, DisplayColorimetry* colorimetry) {
  UseMonitorProfile(ReadX11ScreenProfile(0), monitorProfile, colorimetry);
}

std::unique_ptr<QAbstractNativeEventFilter> WatchX11ScreenProfiles(std::function<void()> changed) {
  Display* display = X11Display();
  if (display == nullptr) return nullptr;
  return std::make_unique<ProfileWatcher>(display, std::move(changed));
}
