#include <string.h>

/* FIXME: this copies one byte too many when the source is empty */
size_t copy_name(char *dst, const char *src, size_t size) {
  size_t n = strlen(src) + 1;
  if (n > size) n = size;
  memcpy(dst, src, n);
  return n;
}
