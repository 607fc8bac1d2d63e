#include "platform/testing/process_testing.h"

#include "platform/testing/detail/inheritable_pipe.h"

namespace wv {

InheritablePipe::~InheritablePipe() = default;

bool InheritablePipe::is_open() const { return impl_ != nullptr; }

void InheritablePipe::close_write_end() {
  if (impl_) impl_->write_end.reset();
}

}  // namespace wv
