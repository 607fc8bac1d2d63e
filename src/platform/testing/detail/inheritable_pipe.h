#pragma once
// What an InheritablePipe holds on either platform. Internal to the platform
// layer.

#include "platform/detail/stream_io.h"
#include "platform/testing/process_testing.h"

namespace wv {

struct InheritablePipe::Impl {
  detail::UniqueStream read_end, write_end;
};

}  // namespace wv
