#include "output/messages.h"

namespace vesk {
namespace {

constexpr std::u16string_view kHelpJapanese =
    u"ファイル内の文字列の検索や置換をします。\n"
    u"\n"
    u"Vesk [/c[e] | /l[v] | /n | /q] /s[ilv] 検索文字列... /r[eil] 検索文字列 置換文字列... "
    u"/f パラメータファイル... [[/d] [/u[8|16]] ファイル]\n"
    u"     /c 検索結果のカウントを表示する\n"
    u"        e 検索対象が見つかった場合のみ表示する\n"
    u"     /l ファイル名のみ表示する\n"
    u"        v 検索対象が見つからなかったファイル名を表示\n"
    u"     /n 行番号も表示する\n"
    u"     /q 結果を表示しない\n"
    u"     /s 文字列を検索する\n"
    u"        i 英文字大小文字を区別しない\n"
    u"        l 正規表現を使わない\n"
    u"        v 一致しないものを検索する\n"
    u"     /r 文字列を置換える\n"
    u"        e 置換文字列にエスケープ文字を使う\n"
    u"        i 英文字大小文字を区別しない\n"
    u"        l 正規表現を使わない\n"
    u"     /f パラメータファイルを読み込む\n"
    u"     /d サブフォルダも含める\n"
    u"     /u Unicode のファイルを扱う\n"
    u"        8  UTF-8 を使用する\n"
    u"        16 UTF-16 を使用する\n"
    u"\n"
    u"検索対象が見つかった場合終了コード 1 を返します。\n";

constexpr std::u16string_view kHelpEnglish =
    u"Search and replace strings in files.\n"
    u"\n"
    u"Vesk [/c[e] | /l[v] | /n | /q] /s[ilv] search-string... /r[eil] search-string "
    u"replace-string... /f parameter-file... [[/d] [/u[8|16]] file]\n"
    u"     /c Display count of search result\n"
    u"        e Display only if target search found\n"
    u"     /l Display only file name\n"
    u"        v Display file name of search not found\n"
    u"     /n Display row number also\n"
    u"     /q No display\n"
    u"     /s Search string\n"
    u"        i Ignore case\n"
    u"        l Do not use regular expression\n"
    u"        v Search do not match\n"
    u"     /r Replace string\n"
    u"        e Use escape character for replace string\n"
    u"        i Ignore case\n"
    u"        l Do not use regular expression\n"
    u"     /f Read parameter file\n"
    u"     /d Include subfolders\n"
    u"     /u Handle Unicode file\n"
    u"        8  Use UTF-8\n"
    u"        16 Use UTF-16\n"
    u"\n"
    u"Returns exit code 1 if target search found.\n";

// In MessageId order; the enum is the index.
constexpr MessagePair kMessageTable[] = {
    {kHelpJapanese, kHelpEnglish},
    {u" - パラメータが正しくありません。", u" - Parameter is invalid."},
    {u"空のパラメータが指定されています。", u"Empty parameter is specified."},
    {u" - パラメータは一緒に使うことはできません。", u" - Parameter is not able to use together."},
    {u" - パラメータはすでに指定されています。", u" - Parameter is already specified."},
    {u"検索または置換のパラメータが指定されていません。",
     u"Search or replace parameter is not specified."},
    {u"検索文字列が指定されていません。", u"Search string is not specified."},
    {u"検索および置換文字列が指定されていません。",
     u"Search and replace strings are not specified."},
    {u"置換文字列が指定されていません。", u"Replace string is not specified."},
    {u" - ファイル名またはフォルダ名が正しくありません。",
     u" - File name or folder name is invalid."},
    {u" - ファイルまたはフォルダではありません。", u" - Not a file or folder."},
    {u" - ファイルまたはフォルダが見つかりませんでした。", u" - File or folder was not found."},
    {u"パラメータファイルが指定されていません。", u"Parameter file is not specified."},
    {u" - ファイルを開けませんでした。", u" - File was not able to open."},
    {u"パラメータファイル内で空のパラメータが指定されています。",
     u"Empty parameter is specified in parameter file."},
    {u" - パラメータファイル内のパラメータが正しくありません。",
     u" - Parameter in parameter file is invalid."},
    {u"パラメータファイル内の検索文字列が指定されていません。",
     u"Search string is not specified in parameter file."},
    {u"パラメータファイル内の検索および置換文字列が指定されていません。",
     u"Search and replace strings are not specified in parameter file."},
    {u"パラメータファイル内の置換文字列が指定されていません。",
     u"Replace string is not specified in parameter file."},
    {u" - ファイルが見つかりませんでした。", u" - File was not found."},
    {u" - 正規表現が正しくありません。", u" - Invalid regular expressions."},
    {u"ファイルまたはフォルダが指定されていません。", u"File or folder is not specified."},
    {u" - フォルダが見つかりませんでした。", u" - Folder was not found."},
    {u" - 正規表現の照合が複雑すぎるため、この行を飛ばしました。",
     u" - Regular expression is too complex for this line; the line was skipped."},
    {u" - フォルダの一覧を取得できませんでした。", u" - Folder could not be listed."},
    {u" - ファイルを最後まで読み込めませんでした。", u" - File could not be read to its end."},
    {u"結果を出力できませんでした。", u"Output could not be written."},
    {u" - 正規表現が大きすぎて扱えません。", u" - Regular expression is too large for the engine."},
    {u" - 置換すると行が長くなりすぎるため、この行を置換しませんでした。",
     u" - Replacing would make the line too long; the line was left unchanged."},
    {u"メモリが足りません。", u"Not enough memory."},
    {u" - 出力先のファイルのため、検索しませんでした。",
     u" - File is the output, so it was not searched."},
    {u" - パラメータファイル内の行が長すぎます。", u" - Line in parameter file is too long."},
    {u" は 1 から 64 までの数ではないため、既定の数を使います。",
     u" is not a number from 1 to 64; the default is used."},
};
static_assert(std::size(kMessageTable) == static_cast<std::size_t>(MessageId::Count));

}  // namespace

const MessagePair& messagePair(MessageId id) {
  return kMessageTable[static_cast<int>(id)];
}

std::u16string_view messageText(Language language, MessageId id) {
  return messagePair(id)[static_cast<std::size_t>(language)];
}

std::u16string composeMessage(Language language, const Diagnostic& diagnostic) {
  std::u16string message(diagnostic.subject);
  message += messageText(language, diagnostic.id);
  return message;
}

}  // namespace vesk
