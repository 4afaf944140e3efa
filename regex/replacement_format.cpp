#include "regex/replacement_format.h"

namespace vesk::regex {

namespace {

bool isDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

FormatPiece dollarPiece(std::u16string_view format, std::size_t& pos) {
  const std::size_t start = pos;
  const auto piece = [&](FormatPieceKind kind, std::size_t length, std::size_t group = 0) {
    pos = start + length;
    return FormatPiece{kind, format.substr(start, length), group};
  };
  if (start + 1 == format.size()) return piece(FormatPieceKind::FinalDollar, 1);
  const char16_t next = format[start + 1];
  switch (next) {
    case u'$':
      return piece(FormatPieceKind::Dollar, 2);
    case u'&':
      return piece(FormatPieceKind::WholeMatch, 2);
    case u'`':
      return piece(FormatPieceKind::TextBefore, 2);
    case u'\'':
      return piece(FormatPieceKind::TextAfter, 2);
    default:
      break;
  }
  if (!isDigit(next)) return piece(FormatPieceKind::LoneDollar, 1);
  const std::size_t first = next - u'0';
  if (start + 2 < format.size() && isDigit(format[start + 2])) {
    return piece(FormatPieceKind::Group, 3, first * 10 + (format[start + 2] - u'0'));
  }
  return piece(FormatPieceKind::Group, 2, first);
}

std::u16string_view spanText(std::u16string_view subject, std::size_t start, std::size_t end) {
  return subject.substr(start, end - start);
}

}  // namespace

FormatPiece nextFormatPiece(std::u16string_view format, std::size_t& pos) {
  if (format[pos] == u'$') return dollarPiece(format, pos);
  const std::size_t start = pos;
  pos = format.find(u'$', start);
  if (pos == std::u16string_view::npos) pos = format.size();
  return FormatPiece{FormatPieceKind::Text, format.substr(start, pos - start)};
}

namespace {

// What one piece of a format expands to for one match.
std::u16string_view pieceExpansion(const FormatPiece& piece, const MatchForFormat& match) {
  const Span whole = match.groups[0].value_or(Span{});
  switch (piece.kind) {
    case FormatPieceKind::Text:
      return piece.source;
    case FormatPieceKind::Dollar:
    case FormatPieceKind::LoneDollar:
    case FormatPieceKind::FinalDollar:
      return u"$";
    case FormatPieceKind::WholeMatch:
      return spanText(match.subject, whole.start, whole.end);
    case FormatPieceKind::TextBefore:
      return spanText(match.subject, match.previousEnd, whole.start);
    case FormatPieceKind::TextAfter:
      return match.subject.substr(whole.end);
    case FormatPieceKind::Group:
      if (piece.group == 0) return piece.source;
      if (piece.group < match.groups.size() && match.groups[piece.group]) {
        return spanText(match.subject, match.groups[piece.group]->start,
                        match.groups[piece.group]->end);
      }
      return {};
  }
  return {};
}

}  // namespace

bool appendExpansion(std::u16string& out, std::u16string_view format, const MatchForFormat& match,
                     std::size_t limit) {
  for (std::size_t pos = 0; pos < format.size();) {
    const std::u16string_view expansion = pieceExpansion(nextFormatPiece(format, pos), match);
    if (out.size() > limit || expansion.size() > limit - out.size()) return false;
    out += expansion;
  }
  return true;
}

std::u16string formatLiteralText(std::u16string_view format) {
  std::u16string literal;
  for (std::size_t pos = 0; pos < format.size();) {
    const FormatPiece piece = nextFormatPiece(format, pos);
    switch (piece.kind) {
      case FormatPieceKind::Text:
        literal += piece.source;
        break;
      case FormatPieceKind::Dollar:
      case FormatPieceKind::LoneDollar:
        literal += u'$';
        break;
      case FormatPieceKind::WholeMatch:
      case FormatPieceKind::TextBefore:
      case FormatPieceKind::TextAfter:
      case FormatPieceKind::Group:
      case FormatPieceKind::FinalDollar:
        break;
    }
  }
  return literal;
}

}  // namespace vesk::regex
