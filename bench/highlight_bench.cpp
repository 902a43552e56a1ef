// Cost of the colour rules: a full reload of 32767 bytes and a 100-byte
// append with eight rules against the same with the rules off, a paint of a
// full pane whose every line matches against a paint with the rules off (in
// text colours, and on bands), the matcher on a pattern that would make a
// backtracking one crawl against a plain substring, and a long line against
// eight rules that match whole words or case against the same rules without.
// Methods take turns batch by batch; medians are printed with the ratios the
// targets are stated in.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_start.h"
#include "append_bench.h"
#include "bench_timing.h"
#include "plugin/plugin.h"
#include "settings/state.h"
#include "settings/text.h"
#include "support/shell_run.h"
#include "support/test_files.h"
#include "text/line_pattern.h"
#include "tail/tail.h"
#include "trace.h"
#include "viewer/pane_colours.h"


// The same lines as the tail benchmark's: UTF-8, a line feed alone at each end.
static std::string textOfSize(size_t size, int firstLine = 0) {
    std::string text;
    char line[64];
    for (int i = firstLine; text.size() < size; ++i) {
        snprintf(line, sizeof line, "bench line %08d caf\xC3\xA9 \xE2\x9C\x93\n", i);
        text += line;
    }
    text.resize(size);
    return text;
}

// Eight rules as a log reader might keep them, none matching the bench lines,
// so that each reads every line to its end.
static const char* const eightRules[ColourRuleCount] = {
    "#C00000 ERROR|FATAL|CRITICAL|Exception|Traceback",
    "#A05A00 WARN",
    "#0000C0 time*out|timed out",
    "#008000 disk?full|no space",
    "#800080 connection refused|reset by peer",
    "#808000 *fail*ed",
    "#008080 denied|forbidden",
    "#404040 \xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0|Fehler|\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC",
};

static void useRules(bool on) {
    state.highlight = on;
    applyHighlightSettings();
}

static void benchReload(const std::string& path) {
    writeFile(path, textOfSize(1024 * 1024));
    copyText(state.filePath, FilePathSize, path.c_str());
    state.readBufferSize = 32767;
    std::vector<double> medians =
        medianPerCall(15, {{3, [] { useRules(true); }, forcedReload},
                           {3, [] { useRules(false); }, forcedReload}});
    printf("Full reload of 32767 bytes, per call, median of 15 batches of 3\n");
    printf("  eight rules                         %9.1f us\n", medians[0]);
    printf("  rules off                           %9.1f us\n", medians[1]);
    printf("  ratio                               %9.2f    (target <= 1.25)\n",
           medians[0] / medians[1]);

    // The marking alone, over the text that reload gave the pane.
    static WCHAR text[DisplayTextSize];
    uint32_t length = (uint32_t)GetWindowTextW(state.paneWnd, text, DisplayTextSize);
    static LineMarks marks;
    auto mark = [&](uint32_t rules) {
        clearLineMarks(&marks);
        markLines(&marks, state.colourRules, rules, text, length);
    };
    std::vector<double> marking = medianPerCall(
        15, {{10, nullptr, [&] { mark(ColourRuleCount); }}, {10, nullptr, [&] { mark(0); }}});
    printf("  marking alone, %5u lines           %9.1f us (rules off: %.1f us)\n\n",
           marks.lineCount, marking[0], marking[1]);
}

// Each call shows 100 new bytes by an append, after a full reload not timed.
static void benchAppend(const std::string& path) {
    std::vector<double> medians = appendMedians(path, textOfSize(100, 90000000), useRules);
    printOnAgainstOff("A 100-byte append at 32767, per call, median of 21 batches of 3", "eight rules", "rules off", medians, 1.25);
}

static void paintWholePane() {
    InvalidateRect(state.paneWnd, NULL, FALSE);
    UpdateWindow(state.paneWnd);
}

static void useFirstRule(const char* value) {
    copyText(state.highlightRules[0], HighlightRuleSize, value);
    useRules(true);
}

// Every line matches the first rule: each row is painted in its colours.
static void benchPaint() {
    std::vector<double> medians =
        medianPerCall(31, {{20, [] { useFirstRule("#C00000 bench line"); }, paintWholePane},
                           {20, [] { useFirstRule("#C00000/#FFE0E0 bench line"); }, paintWholePane},
                           {20, [] { useRules(false); }, paintWholePane}});
    printf("A paint of the whole pane (400 x 300, every line matching), median of 31 batches of 20\n");
    printf("  in the rule's colour                %9.1f us\n", medians[0]);
    printf("  on the rule's band                  %9.1f us\n", medians[1]);
    printf("  rules off                           %9.1f us\n", medians[2]);
    printf("  ratio, colour                       %9.2f    (target <= 2)\n", medians[0] / medians[2]);
    printf("  ratio, band                         %9.2f    (target <= 2)\n\n",
           medians[1] / medians[2]);
}

// A line of 32767 'a's: "*a*a*a*a*b" against the plain substring "b".
static void benchMatcher() {
    static LinePattern stars, plain;
    compileLinePattern(L"*a*a*a*a*b", 10, &stars);
    compileLinePattern(L"b", 1, &plain);
    static std::wstring line(32767, L'a');
    volatile bool found = false;
    std::vector<double> medians = medianPerCall(
        31, {{20, nullptr, [&] { found = lineMatches(stars, line.c_str(), (uint32_t)line.size()); }},
             {20, nullptr, [&] { found = lineMatches(plain, line.c_str(), (uint32_t)line.size()); }}});
    printf("The matcher over a line of 32767 characters, no match, median of 31 batches of 20\n");
    printf("  *a*a*a*a*b                          %9.1f us\n", medians[0]);
    printf("  b                                   %9.1f us\n", medians[1]);
    printf("  ratio                               %9.2f    (by design about 1)\n\n", medians[0] / medians[1]);
}

// The eight rules with words after their colour, compiled.
static void compileEightRules(const char* words, ColourRule* rules) {
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        std::string value = std::string(eightRules[r], 7) + words + (eightRules[r] + 7);
        WideChar wide[HighlightRuleSize];
        uint32_t length = settingTextToWide(value.c_str(), wide, HighlightRuleSize, systemCodePages);
        parseColourRule(wide, length, &rules[r]);
    }
}

// One line of 32767 characters, the bench lines' text without line ends,
// which no rule matches: each rule reads it to its end.
static void benchWordsAndCase() {
    static ColourRule plain[ColourRuleCount], words[ColourRuleCount], caseWords[ColourRuleCount];
    compileEightRules("", plain);
    compileEightRules(" word", words);
    compileEightRules(" case word", caseWords);
    std::wstring line;
    for (int i = 0; line.size() < 32767; ++i) line += L"bench line " + std::to_wstring(10000000 + i) + L" caf\u00E9 \u2713 ";
    line.resize(32767);
    static LineMarks marks;
    auto mark = [&](const ColourRule* rules) {
        clearLineMarks(&marks);
        markLines(&marks, rules, ColourRuleCount, line.c_str(), (uint32_t)line.size());
    };
    std::vector<double> medians =
        medianPerCall(61, {{10, nullptr, [&] { mark(words); }}, {10, nullptr, [&] { mark(caseWords); }},
                           {10, nullptr, [&] { mark(plain); }}});
    printf("A line of 32767 characters against eight rules, no match, median of 61 batches of 10\n");
    printf("  word                                %9.1f us\n", medians[0]);
    printf("  case word                           %9.1f us\n", medians[1]);
    printf("  neither                             %9.1f us\n", medians[2]);
    printf("  ratio, word                         %9.2f    (target <= 1.25)\n", medians[0] / medians[2]);
    printf("  ratio, case word                    %9.2f    (target <= 1.25)\n\n",
           medians[1] / medians[2]);
}

int main() {
    std::string folder = makeTempFolder("bench-highlight");
    std::string path = folder + "highlighted.log";
    writeFile(path, textOfSize(1024));
    startShell(makeTempFolder("bench-highlight-shell"));
    recordTrace(NULL);
    std::string rules;
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        rules += "qvperuser.highlight" + std::to_string(r + 1) + ": " + eightRules[r] + "\r\n";
    }
    if (!startBenchPlugin("qvperuser.filePath: " + path +
                          "\r\nqvperuser.width: 400\r\nqvperuser.height: 300\r\n" + rules)) {
        return 1;
    }

    benchReload(path);
    benchAppend(path);
    benchPaint();
    benchMatcher();
    benchWordsAndCase();

    endPlugin(GetModuleHandleA(NULL));
    stopShell();
    removeFile(path);
    removeFile(programFolder() + "qvperuser.rc");
    return 0;
}
