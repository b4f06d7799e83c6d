// The windowing services the platform-free code asks for. Every operation that shows
// something to the user or touches the main window takes a Window& first. The Qt
// layer, the command-line tool and the tests each provide their own implementation.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// Message box flags and answers, with the values the original message boxes used.
enum MessageBoxFlags : unsigned {
  kMbOk = 0x00,
  kMbOkCancel = 0x01,
  kMbYesNo = 0x04,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbButtonMask = 0x0F,
  kMbIconMask = 0xF0,
};
enum MessageBoxAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// Caption used when a message box is shown without one.
inline constexpr const char* kDefaultCaption = "Error";

class Window {
 public:
  virtual ~Window() = default;

  // Shows a modal message box. A null caption means the system's default caption
  // ("Error"). Returns the button pressed (kIdOk, kIdCancel, kIdYes, kIdNo).
  virtual int messageBox(const std::string& text, const char* caption, unsigned flags) = 0;

  // The main window's child edit control (id 225): the Tmin entry of the series
  // parameters panel.
  virtual void setEditText(const std::string& text) = 0;
  virtual std::string editText() const = 0;
};

}  // namespace velmora
