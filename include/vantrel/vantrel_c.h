#ifndef VANTREL_VANTREL_C_H
#define VANTREL_VANTREL_C_H
/* Vantrel for C and for other languages (Python's ctypes, ...): converts a
   row-group document held in memory to UTF-8 HTML.

     char *html = NULL;
     size_t size = 0;
     char message[256];
     int status = vantrel_convert(document, documentSize, mapText, mapTextSize,
                                  0, NULL, &html, &size, message, sizeof message);
     if (status != VANTREL_OK) {
       fprintf(stderr, "app: %s\n", message);
     } else {
       fwrite(html, 1, size, stdout);
       vantrel_free(html);
     }

   No C++ exception leaves these functions. They keep no state between
   calls: calls on several threads at once are fine. */
#include <stddef.h>

#include "vantrel/export.h"
#include "vantrel/version.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What vantrel_convert returns. */
enum {
  VANTREL_OK = 0,
  VANTREL_ERROR_ARGUMENT = 1, /* a pointer missing, or an unknown flag */
  VANTREL_ERROR_MAP = 2,      /* a faulty line in the map text */
  VANTREL_ERROR_DOCUMENT = 3, /* the document asked for something out of range */
  VANTREL_ERROR_MEMORY = 4,   /* memory ran out */
  VANTREL_ERROR_OTHER = 5     /* any other failure (none is known) */
};

/* Flags of vantrel_convert, to be combined with |. */
enum {
  /* "&", "<", ">" and '"' of the text are written as entities. */
  VANTREL_ESCAPE_MARKUP = 1,
  /* Without a header block in the map text, the HTML opens with a minimal
     HTML5 head whose <title> is `title`. */
  VANTREL_STANDALONE = 2,
  /* The conversion runs on the caller's thread alone (by default a long
     document is converted on two threads where there are two cores). */
  VANTREL_ONE_THREAD = 4
};

/* Converts the `document_size` bytes of `document` with the map file whose
   text is the `map_text_size` bytes of `map_text` (NULL: no map file, every
   code is the Latin-1 character of that number). `title` (NUL-terminated,
   may be NULL) is used with VANTREL_STANDALONE; bytes of it that are not
   UTF-8 become U+FFFD.

   On success returns VANTREL_OK, sets *html to the HTML (followed by a NUL
   byte that *html_size does not count), which the caller releases with
   vantrel_free, and sets message to "". On failure returns one of the
   VANTREL_ERROR codes, sets *html to NULL and *html_size to 0, and writes
   into `message` (at most `message_size` bytes with the closing NUL; it may
   be NULL) what went wrong, naming the line of the map text:
   "map text:12: page number out of range: ':7'". */
VANTREL_API int vantrel_convert(const char *document, size_t document_size, const char *map_text, size_t map_text_size,
                                unsigned flags, const char *title, char **html, size_t *html_size, char *message,
                                size_t message_size);

/* Releases HTML that vantrel_convert returned; NULL is allowed. */
VANTREL_API void vantrel_free(char *html);

/* The library's version, "0.1.0" (VANTREL_VERSION_STRING is the version of
   the headers a program was built with). */
VANTREL_API const char *vantrel_version(void);

#ifdef __cplusplus
}
#endif

#endif /* VANTREL_VANTREL_C_H */
