// Helpers for the text tests.
#include "tests/text/text_test_support.h"

#include "tests/support/program_runner.h"
#include "text/language.h"
#include "text/vocabulary.h"
#include "text/xtd_string.h"

std::string writeTempStringFile(const std::string& content) {
    std::string path = makeTempDir() + "/strings.txt";
    writeFile(path, content);
    return path;
}

void initVocabularyWith(const std::string& content) {
    V.stringFiles[0].setFileName(writeTempStringFile(content).c_str());
    V.init(nullptr, nullptr, nullptr, nullptr, nullptr);
}

std::string bytesOf(const unsigned char* xtd) {
    return std::string(reinterpret_cast<const char*>(xtd), static_cast<size_t>(xtdStrlen(xtd)));
}

std::string textOf(const char* key, const char* language, long index, unsigned char form) {
    Language* l = V.language(language);
    MultiString ms(key, index, form, l != nullptr ? l : &English);
    return bytesOf(ms.getString().text);
}
