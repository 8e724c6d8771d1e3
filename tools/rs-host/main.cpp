// rs-host: the reference host of the vs_realsense2 module.
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define RS_HOST_ISATTY _isatty
#define RS_HOST_FILENO _fileno
#else
#include <unistd.h>
#define RS_HOST_ISATTY isatty
#define RS_HOST_FILENO fileno
#endif

#include "device_list.hpp"
#include "host_run.hpp"
#include "options.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = rs_host::ParseCommandLine(args, std::cout, std::cerr);
  if (!parsed.options)
    return parsed.exitCode;
  if (parsed.options->list)
    return rs_host::ListDevices(std::cout, std::cerr);
  const bool terminal = RS_HOST_ISATTY(RS_HOST_FILENO(stdout)) != 0;
  return rs_host::RunHost(*parsed.options, std::cout, std::cerr, terminal);
}
