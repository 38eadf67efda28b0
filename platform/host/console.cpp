// The console. Windows shows each printf at once and decodes the program's
// bytes with the console code page (932 for these tools). Here: standard
// output is unbuffered, a pipe gets the bytes unchanged, and a terminal gets
// them decoded from code page 932 to UTF-8 by a small relay thread, so a
// person reads the Japanese while tests see the exact bytes.
#include <errno.h>
#include <iconv.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

#include "platform/win32.h"

namespace {

constexpr size_t kRelayChunk = 512;

int terminal_fd = -1;
int relay_read_fd = -1;
pthread_t relay_thread;

void write_all(int fd, const char *bytes, size_t count) {
  while (count > 0) {
    ssize_t n = write(fd, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes += n;
    count -= static_cast<size_t>(n);
  }
}

void *relay_to_terminal(void *) {
  iconv_t decoder = iconv_open("UTF-8", "CP932");
  char in[kRelayChunk + 1];
  size_t pending = 0;  // a lead byte whose trail byte is still to come
  for (;;) {
    ssize_t n = read(relay_read_fd, in + pending, kRelayChunk - pending);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    size_t in_left = pending + static_cast<size_t>(n);
    char *in_at = in;
    while (in_left > 0) {
      char out[kRelayChunk * 3];
      char *out_at = out;
      size_t out_left = sizeof out;
      if (decoder == reinterpret_cast<iconv_t>(-1)) {
        write_all(terminal_fd, in_at, in_left);
        in_left = 0;
        break;
      }
      size_t result = iconv(decoder, &in_at, &in_left, &out_at, &out_left);
      int error = errno;
      write_all(terminal_fd, out, sizeof out - out_left);
      if (result != static_cast<size_t>(-1) || error == E2BIG) continue;
      if (error == EINVAL) break;  // incomplete character: keep it for the next read
      // Not code page 932: pass the byte through as it is.
      write_all(terminal_fd, in_at, 1);
      ++in_at;
      --in_left;
    }
    for (size_t i = 0; i < in_left; ++i) in[i] = in_at[i];
    pending = in_left;
  }
  if (pending > 0) write_all(terminal_fd, in, pending);
  if (decoder != reinterpret_cast<iconv_t>(-1)) iconv_close(decoder);
  return nullptr;
}

void stop_relay() {
  fflush(stdout);
  // Putting the terminal back closes the pipe's last writer, so the relay
  // drains it and finishes.
  dup2(terminal_fd, STDOUT_FILENO);
  pthread_join(relay_thread, nullptr);
}

__attribute__((constructor)) void start_console() {
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (!isatty(STDOUT_FILENO)) return;
  int fds[2];
  if (pipe(fds) != 0) return;
  terminal_fd = dup(STDOUT_FILENO);
  relay_read_fd = fds[0];
  if (pthread_create(&relay_thread, nullptr, relay_to_terminal, nullptr) != 0) {
    close(fds[0]);
    close(fds[1]);
    return;
  }
  dup2(fds[1], STDOUT_FILENO);
  close(fds[1]);
  atexit(stop_relay);
}

}  // namespace

extern "C" int _getch(void) {
  unsigned char key = 0;
  ssize_t n;
  if (isatty(STDIN_FILENO)) {
    termios saved;
    tcgetattr(STDIN_FILENO, &saved);
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    do {
      n = read(STDIN_FILENO, &key, 1);
    } while (n < 0 && errno == EINTR);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  } else {
    do {
      n = read(STDIN_FILENO, &key, 1);
    } while (n < 0 && errno == EINTR);
  }
  return n == 1 ? key : -1;
}
