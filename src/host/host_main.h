#pragma once

namespace wv {

// The whole life of the console host; returns the process exit status.
int host_main();

}  // namespace wv
