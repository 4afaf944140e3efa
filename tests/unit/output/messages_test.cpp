#include "output/messages.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

constexpr Language kBoth[] = {Language::Japanese, Language::English};

std::vector<MessageId> allMessages() {
  std::vector<MessageId> ids;
  for (int i = 0; i < static_cast<int>(MessageId::Count); ++i) {
    if (static_cast<MessageId>(i) != MessageId::HelpText) ids.push_back(static_cast<MessageId>(i));
  }
  return ids;
}

bool startsWithSubjectSeparator(std::u16string_view text) {
  return text.starts_with(u" - ");
}

TEST(MessageCatalogue, EveryEntryExistsInBothLanguagesWithoutLineEnds) {
  for (MessageId id : allMessages()) {
    for (Language language : kBoth) {
      const std::u16string_view text = messageText(language, id);
      EXPECT_FALSE(text.empty()) << static_cast<int>(id);
      EXPECT_EQ(text.find(u'\n'), text.npos) << static_cast<int>(id);
      EXPECT_EQ(text.find(u'\r'), text.npos) << static_cast<int>(id);
    }
  }
}

// A message written behind a subject begins with " - " in both languages (or,
// where the subject is the start of its sentence, with a space in both),
// and one written alone begins with its first word in both.
TEST(MessageCatalogue, SubjectSeparatorAgreesBetweenLanguages) {
  for (MessageId id : allMessages()) {
    const std::u16string_view japanese = messageText(Language::Japanese, id);
    const std::u16string_view english = messageText(Language::English, id);
    EXPECT_EQ(startsWithSubjectSeparator(japanese), startsWithSubjectSeparator(english))
        << static_cast<int>(id);
    EXPECT_EQ(japanese.front() == u' ', english.front() == u' ') << static_cast<int>(id);
  }
}

TEST(MessageCatalogue, EnglishEndsWithFullStopJapaneseWithIdeographicFullStop) {
  for (MessageId id : allMessages()) {
    EXPECT_EQ(messageText(Language::English, id).back(), u'.') << static_cast<int>(id);
    EXPECT_EQ(messageText(Language::Japanese, id).back(), u'。') << static_cast<int>(id);
  }
}

TEST(MessageCatalogue, HelpTextsHaveTwentyFourLinesEachEndingInALineFeed) {
  for (Language language : kBoth) {
    const std::u16string_view help = messageText(language, MessageId::HelpText);
    EXPECT_EQ(std::count(help.begin(), help.end(), u'\n'), 24);
    EXPECT_EQ(help.back(), u'\n');
    EXPECT_EQ(help.find(u'\r'), help.npos);
  }
}

TEST(MessageCatalogue, ComposesSubjectAndTextWithNothingBetween) {
  EXPECT_EQ(composeMessage(Language::English, Diagnostic{MessageId::ParameterInvalid, u"/x"}),
            u"/x - Parameter is invalid.");
  EXPECT_EQ(composeMessage(Language::Japanese, Diagnostic{MessageId::ParameterInvalid, u"/x"}),
            u"/x - パラメータが正しくありません。");
  EXPECT_EQ(composeMessage(Language::English, Diagnostic{MessageId::FileNotFound, u"a "}),
            u"a  - File was not found.");
}

TEST(MessageCatalogue, TheFallbackForNoMemoryIsTheEnglishText) {
  const std::u16string_view english = messageText(Language::English, MessageId::NotEnoughMemory);
  EXPECT_EQ(std::u16string(kNotEnoughMemoryInAscii.begin(), kNotEnoughMemoryInAscii.end()),
            english);
}

}  // namespace
}  // namespace vesk
