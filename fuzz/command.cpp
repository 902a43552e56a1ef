// Whole command texts as the shell broadcasts them: the matcher must never
// read behind the text's zero, and must pick the row a plain reading of the
// command table's words picks; a colour rule's number and value are found
// within the argument.
#include "commands/command_words.h"
#include "fuzz_input.h"

struct Row {
    const char* word;
    bool takesArgument;
    bool mayBeLeftOut;
    CommandId id;
};

#define ROW(word, argument, handler) \
    {#word, argument != NoArgument, argument == OptionalTextArgument, Cmd##word},
static const Row table[] = {COMMAND_TABLE(ROW)};
#undef ROW

static std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return text;
}

// The expected match, with the argument as an offset into the text (-1: none).
static CommandId expectedMatch(const std::string& text, long* argumentOffset) {
    *argumentOffset = -1;
    const std::string prefix = "@qvperuser";
    if (lower(text.substr(0, prefix.size())) != prefix) return CmdNone;
    std::string remainder = lower(text.substr(prefix.size()));
    for (const Row& row : table) {
        std::string word = lower(row.word);
        if (!row.takesArgument) {
            if (remainder == word) return row.id;
            continue;
        }
        if (remainder.compare(0, word.size(), word) != 0) continue;
        bool leftOut = remainder.size() == word.size();
        if (leftOut && !row.mayBeLeftOut) return CmdNone;
        *argumentOffset = (long)(prefix.size() + word.size() + (leftOut ? 0 : 1));
        return row.id;
    }
    return CmdNone;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    std::vector<char> text = exactCopy(input.takeText());
    CommandMatch match = matchCommand(text.data());

    long expectedOffset;
    REQUIRE(match.id == expectedMatch(text.data(), &expectedOffset));
    if (expectedOffset < 0) {
        REQUIRE(match.argument == nullptr);
        return 0;
    }
    REQUIRE(match.argument == text.data() + expectedOffset);
    REQUIRE(match.argument <= text.data() + strlen(text.data()));
    readNumber(match.argument);
    int number;
    const char* value = ruleValueOf(match.argument, &number);
    REQUIRE(value >= match.argument && value < text.data() + text.size());
    return 0;
}
