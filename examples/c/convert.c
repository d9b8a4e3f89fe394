/* Converts a document with a map file through Vantrel's C interface and
   writes the HTML to standard output:

     convert DOCUMENT [MAPFILE]

   Without a map file every code stands for its Latin-1 character. A
   failure is told on standard error, "convert: <what went wrong>", with
   exit status 1. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vantrel/vantrel_c.h>

/* The whole file in a block from malloc; NULL on failure. */
static char *readFile(const char *name, size_t *size) {
  FILE *file = fopen(name, "rb");
  char *text = NULL;
  size_t used = 0, room = 0;
  int failed = file == NULL;
  while (!failed) {
    if (used == room) {
      char *grown = realloc(text, room * 2 + 65536);
      if (grown == NULL) {
        failed = 1;
        break;
      }
      text = grown;
      room = room * 2 + 65536;
    }
    used += fread(text + used, 1, room - used, file);
    if (used < room) {
      failed = ferror(file) != 0;
      break;
    }
  }
  if (file != NULL) fclose(file);
  if (failed) {
    free(text);
    return NULL;
  }
  *size = used;
  return text;
}

int main(int argc, char **argv) {
  char *document, *mapText = NULL, *html = NULL;
  size_t documentSize = 0, mapTextSize = 0, htmlSize = 0;
  char message[512];
  int status;

  if (argc == 2 && strcmp(argv[1], "--version") == 0) {
    /* The library the program runs with, and the headers it was built with. */
    printf("library %s, headers %s\n", vantrel_version(), VANTREL_VERSION_STRING);
    return 0;
  }
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: convert DOCUMENT [MAPFILE]\n");
    return 2;
  }
  document = readFile(argv[1], &documentSize);
  if (document == NULL) {
    perror(argv[1]);
    return 1;
  }
  if (argc == 3) {
    mapText = readFile(argv[2], &mapTextSize);
    if (mapText == NULL) {
      perror(argv[2]);
      free(document);
      return 1;
    }
  }
  status =
      vantrel_convert(document, documentSize, mapText, mapTextSize, 0, NULL, &html, &htmlSize, message, sizeof message);
  free(document);
  free(mapText);
  if (status != VANTREL_OK) {
    fprintf(stderr, "convert: %s (status %d)\n", message, status);
    return 1;
  }
  fwrite(html, 1, htmlSize, stdout);
  vantrel_free(html);
  return fflush(stdout) == 0 ? 0 : 1;
}
