#include <stdio.h>

int main(void) {
  /* TODO: read the settings file */
  printf("hello, world\n");
  return 0;
}
