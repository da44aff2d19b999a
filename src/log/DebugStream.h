#pragma once
// A wide output stream whose text goes line by line to the debugger output.
#include <ostream>
#include <streambuf>
#include <string>
#include <windows.h>

namespace lumen {

template <typename Char, typename Traits = std::char_traits<Char>>
class ods_streambuf : public std::basic_streambuf<Char, Traits> {
 public:
  using Sink = void(WINAPI*)(const Char*);
  using int_type = typename Traits::int_type;

  explicit ods_streambuf(Sink sink = &OutputDebugStringW) : sink_(sink) { ResetArea(); }
  ~ods_streambuf() override { HandOut(true); }

 protected:
  int_type overflow(int_type c) override {
    HandOut(false);
    if (Traits::eq_int_type(c, Traits::eof())) return c;
    *this->pptr() = Traits::to_char_type(c);
    this->pbump(1);
    return c;
  }
  int sync() override {
    HandOut(true);
    return 0;
  }

 private:
  // Moves the put area to the pending text; complete lines (or, forced,
  // everything) go to the sink, one call per line.
  void HandOut(bool forced) {
    const std::basic_string<Char, Traits> moved(this->pbase(), this->pptr());
    pending_ += moved;
    if (forced) {
      sink_(pending_.c_str());
      pending_.clear();
    } else if (moved.find(Char('\n')) != moved.npos) {
      for (size_t end = pending_.find(Char('\n')); end != pending_.npos; end = pending_.find(Char('\n'))) {
        sink_(pending_.substr(0, end + 1).c_str());
        pending_.erase(0, end + 1);
      }
    }
    ResetArea();
  }
  void ResetArea() { this->setp(area_, area_ + kAreaSize); }

  static constexpr size_t kAreaSize = 16;
  Char area_[kAreaSize];
  std::basic_string<Char, Traits> pending_;
  Sink sink_;
};

// The plug-in's debugger-output stream, alive while the library is loaded.
extern std::wostream ods_out;

}  // namespace lumen
