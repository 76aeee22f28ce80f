/* TrueType glyphs from /etc/ttf-fonts.ttf through FreeType 2, for callers
 * that lay out text themselves (the library's own screens use the bitmap
 * font). The FreeType objects are declared by their record tags, so that this
 * header needs no FreeType headers: struct FT_LibraryRec_ * is FT_Library,
 * struct FT_FaceRec_ * is FT_Face, struct FT_GlyphRec_ * is FT_Glyph and
 * struct FT_BBox_ is FT_BBox.
 */
#ifndef UPGRADEUI_BASE_TTF_H
#define UPGRADEUI_BASE_TTF_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct FT_LibraryRec_;
struct FT_FaceRec_;
struct FT_GlyphRec_;
struct FT_BBox_;

/* One glyph of a string (Get_Glphs_Frm_Wstr). */
typedef struct TtfGlyph {
  int32_t code;               /* the code point */
  int32_t x;                  /* set by compute_string_bbox */
  int32_t index;              /* the glyph's index in the face */
  struct FT_GlyphRec_ *glyph; /* owned until Free_Glphs_Frm_Wstr */
} TtfGlyph;

/* Size kinds of getGlphsHeight. */
enum { TTF_SIZE_MID = 1, TTF_SIZE_BIG = 2 };

extern struct FT_LibraryRec_ *gTtfLibrary;
extern struct FT_FaceRec_ *gTtfFace;

/* Starts FreeType and opens the face: 0; -1 when FreeType cannot start, -2
 * when the face cannot be opened. */
int ttfModuleInit(void);
/* Releases the face and the library. */
void ttfModuleDestory(void);
/* 1 once ttfModuleInit succeeded, else 0. */
int getTtfInitReasult(void);

/* The pixel size of a size kind: 1 the mid and 2 the big font size
 * (setFontMidPixelVal, setFontMaxPixelVal), into both out values. The face
 * takes the size when the kind differs from the one set last. 0, or -1 for
 * another kind or a null out pointer. */
int getGlphsHeight(int kind, int *width, int *height);

/* Loads the glyphs of a UTF-8 string, placed along a pen line, into at most
 * capacity records: the number filled. Characters FreeType cannot load are
 * skipped. */
int Get_Glphs_Frm_Wstr(const char *str, TtfGlyph *glyphs, int capacity);
/* Releases the records' glyphs: 0. */
int Free_Glphs_Frm_Wstr(TtfGlyph *glyphs, int count);
/* The box around the glyphs, in whole pixels, and each record's x. */
void compute_string_bbox(TtfGlyph *glyphs, int count, struct FT_BBox_ *box);
/* How many glyphs at the start must be dropped for the rest to fit in
 * maxWidth pixels. */
int get_overflow_str_count(TtfGlyph *glyphs, int count, int maxWidth);

#ifdef __cplusplus
}
#endif

#endif /* UPGRADEUI_BASE_TTF_H */
