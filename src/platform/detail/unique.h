#pragma once
// An OS resource closed by its owner's destructor. `Traits` names the
// resource's type, its "none" value, how a value handed over is taken (a
// failed call's other "none" becomes the one) and how it is closed.

#include <utility>

namespace wv::detail {

template <class Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() = default;
  explicit Unique(Type v) : v_(Traits::adopt(v)) {}
  Unique(Unique&& other) noexcept : v_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  Type get() const { return v_; }
  explicit operator bool() const { return v_ != Traits::none(); }
  Type release() { return std::exchange(v_, Traits::none()); }
  void reset(Type v = Traits::none()) {
    if (v_ != Traits::none()) Traits::close(v_);
    v_ = Traits::adopt(v);
  }

 private:
  Type v_ = Traits::none();
};

}  // namespace wv::detail
