// Reads RTF into a rich-text document. The input comes from outside (saved
// reports, help files, files written by word processors), so the reader
// accepts any bytes: it never fails, keeps all the text it can make out and
// takes time linear in the input.
//
// Understood: font table (\fcharset and \cpg give a font's code page; the
// family words \froman \fswiss \fmodern ... and \fprq1 the kind of face),
// colour table, \fs, \cf, \b, \i, \v, \plain, \f, East Asian size, bold and
// italic given apart (\dbch with \afs, \ab, \ai), paragraph alignment (\ql
// \qc \qr \qj, \qd read as \qj), indents (\li \ri \fi, \lin \rin) and
// spacing (\sb \sa), reset by \pard, the tab spacing (\deftab, 720 twips
// when the file names none), \tab, \par, \line, \uN with \ucN
// fallback skipping, \'hh in the code page of the current font or of the
// document (\ansicpg, \mac, \pc, \pca; double-byte code pages such as 936
// included), \binN, the escapes \{ \} \\ \~ \- \_ and a few named characters.
// Destinations it does not show (\*\... groups, \stylesheet, \info, \pict,
// headers, footers, ...) are skipped.
//
// Malformed input: groups nested deeper than kMaxRtfGroupDepth are read as if
// they were part of the deepest group; a '}' with no open group is ignored;
// missing '}' at the end are accepted; numeric parameters are clamped.
// Reading stops where the outermost \rtf group closes.
//
// A paragraph takes the layout in effect at the \par that ends it. A run in
// a font other than the default one keeps that font's name and kind, unless
// the font is an East Asian one. \line is a line break inside the paragraph
// (U+2028); \row ends the paragraph like \par; \cell is read as a tab. A
// final \par ends the last paragraph rather than opening an empty one, so a
// document written by writeRtf reads back with the paragraphs it had.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/rich_text_document.h"

namespace solwire {

inline constexpr int kMaxRtfGroupDepth = 1000;
// Indents and spacing are clamped to 22 inches either way (spacing is never
// negative), as word processors limit them.
inline constexpr int kMaxIndentTwips = 31680;

RichTextDocument readRtf(std::string_view rtf);

// Reads RTF a piece at a time, so that a long document can be shown while it
// is read. The paragraphs of all pieces, in order, are those readRtf gives
// for the same input; so are the face and the tab spacing, which files give
// in their header, before any text. The input must outlive the reader.
class RtfPieceReader {
 public:
  explicit RtfPieceReader(std::string_view rtf);
  ~RtfPieceReader();
  RtfPieceReader(const RtfPieceReader&) = delete;
  RtfPieceReader& operator=(const RtfPieceReader&) = delete;

  // Reads at least `bytes` more of the input (a control word or \bin data
  // is read whole) and hands over the paragraphs that ended meanwhile; the
  // piece that reaches the end of the document holds the last one too.
  std::vector<Paragraph> readPiece(std::size_t bytes);
  bool atEnd() const;

  // Of the input without its byte order mark.
  std::size_t bytesRead() const;
  std::size_t inputSize() const;

  // As read so far.
  std::string fontName() const;
  int defaultTabTwips() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Some editors start a file with a UTF-8 byte order mark; it is no text.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
std::string_view withoutByteOrderMark(std::string_view bytes);

// True when the bytes start (after an optional UTF-8 byte order mark and
// white space) with "{\rtf".
bool looksLikeRtf(std::string_view bytes);

}  // namespace solwire
