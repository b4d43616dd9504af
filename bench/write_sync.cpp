// The floor for saving a file durably: writes the bytes of SOURCE to the new file TARGET
// in one write, flushes it and its directory to disk, and prints how long that took in
// microseconds. Reading SOURCE is not timed. whole_runs.sh compares polyverb's language
// file load and save with it.
// usage: write_sync SOURCE TARGET
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "platform/Error.h"
#include "platform/Files.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: write_sync SOURCE TARGET\n");
    return 2;
  }
  try {
    const std::string target = argv[2];
    const polyverb::ByteBuffer bytes = polyverb::ReadFileBytes(argv[1]);
    const auto slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);

    struct Fd {
      int fd;
      ~Fd() {
        if (fd >= 0) ::close(fd);
      }
    };
    const auto start = std::chrono::steady_clock::now();
    bool written = false, synced = false;
    {
      const Fd file{::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)};
      if (file.fd < 0) throw polyverb::CannotCreateFile(target);
      polyverb::CurrentFileWriter().WriteAll(file.fd, bytes.View());
      written = ::fsync(file.fd) == 0;
    }
    {
      const Fd directory{::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
      synced = directory.fd >= 0 && ::fsync(directory.fd) == 0;
    }
    const auto end = std::chrono::steady_clock::now();
    if (!written || !synced) throw polyverb::StreamWriteError();

    std::printf("%lld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::microseconds>(end - start).count()));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "write_sync: %s\n", e.what());
    return 1;
  }
}
