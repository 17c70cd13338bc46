// Test double of pgp.exe: honours the command lines the programs write and the effects they rely
// on, logs its exact argv beside itself, and never encrypts anything.
//
// Beside the executable:
//   pgp-args.log      appended per call: "CALL", "CWD <dir>", then "ARG <text>" per argument
//   pgp-control.txt   optional, one directive per line:
//                       fail          print an error, write no output, exit 1
//                       wait <ms>     sleep first
//                       prompt        ask for a pass phrase on the console and read a line
//                       hold <path>   wait while <path> exists (at most 60 s)
//                       stamp <path>  write the performance counter at exit into <path>
#include "DoubleSupport.h"
#include <windows.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const auto& l : lines)
        out << l << "\r\n";
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string withExtension(const std::string& path, const std::string& ext) {
    auto sep = path.find_last_of("\\/:");
    auto dot = path.find_last_of('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep)) return path.substr(0, dot) + ext;
    return path + ext;
}

std::string directoryOf(const std::string& path) {
    auto sep = path.find_last_of("\\/:");
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string nameOf(const std::string& path) {
    auto sep = path.find_last_of("\\/:");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

const char* const kBody = "TEST DOUBLE: NOTHING WAS ENCRYPTED OR SIGNED. The original text follows.";

// stdout is in text mode: "\n" already ends each line with CR LF.
// PGP 2.6's -kv layout: key type, size, key ID and date in columns 1-30, the first user ID from
// column 31, further user IDs on lines of their own indented to column 31.
int listKeys(const std::string& ring) {
    std::printf("Pretty Good Privacy(tm) 2.6 TEST DOUBLE - nothing is encrypted.\n");
    std::printf("Key ring: '%s'\n", ring.c_str());
    std::printf("Type bits/keyID    Date       User ID\n");
    // Fixture: one user ID per line; a line starting with "+" is a further ID of the key above.
    int keys = 0;
    for (const auto& line : readLines(ring)) {
        if (line.empty()) continue;
        if (line[0] == '+') {
            std::printf("%30s%s\n", "", line.c_str() + 1);
        } else {
            ++keys;
            std::printf("pub  1024/%08X 1996/01/01 %s\n", 0x1A2B0000u + keys, line.c_str());
        }
    }
    std::printf("%d matching keys found.\n", keys);
    return 0;
}

} // namespace

int run(int argc, char** argv);

int main(int argc, char** argv) {
    int status = run(argc, argv);
    // The benchmark measures from here to the end of the program's wait.
    for (const auto& directive : readLines(doubles::ownDirectory() + "pgp-control.txt"))
        if (directive.rfind("stamp ", 0) == 0) {
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            writeLines(directive.substr(6), {std::to_string(now.QuadPart)});
        }
    return status;
}

int run(int argc, char** argv) {
    const std::string dir = doubles::ownDirectory();
    doubles::logCall(dir + "pgp-args.log", argc, argv);
    for (const auto& directive : readLines(dir + "pgp-control.txt")) {
        std::istringstream words(directive);
        std::string verb, arg;
        words >> verb;
        std::getline(words >> std::ws, arg);
        if (verb == "fail") {
            std::printf("TEST DOUBLE: told to fail; no output written.\r\n");
            return 1;
        }
        if (verb == "wait") Sleep(static_cast<DWORD>(std::stoul(arg)));
        if (verb == "prompt") {
            std::printf("Enter pass phrase: ");
            std::fflush(stdout);
            char answer[256];
            if (!std::fgets(answer, sizeof answer, stdin)) answer[0] = 0;
        }
        if (verb == "hold")
            for (int i = 0; i < 600 && exists(arg); ++i)
                Sleep(100);
    }

    std::string group, output, signer;
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-z" || a == "-u" || a == "-o") {
            std::string value = i + 1 < argc ? argv[++i] : "";
            if (a == "-u") signer = value;
            if (a == "-o") output = value;
        } else if (a.size() > 1 && a[0] == '-' && group.empty()) {
            group = a.substr(1);
        } else {
            operands.push_back(a);
        }
    }
    auto has = [&](char c) { return group.find(c) != std::string::npos; };

    if (has('k') && has('v')) return listKeys(operands.size() > 1 ? operands[1] : "pubring.pgp");
    if (operands.empty()) {
        std::printf("TEST DOUBLE: no input file.\r\n");
        return 1;
    }
    const std::string input = operands[0];
    if (!exists(input)) {
        std::printf("TEST DOUBLE: input file '%s' not found.\r\n", input.c_str());
        return 1;
    }
    std::vector<std::string> text = readLines(input);

    if (has('e') || has('s') || has('c')) {
        std::vector<std::string> out;
        out.push_back(has('b') ? "-----BEGIN PGP SIGNATURE-----" : "-----BEGIN PGP MESSAGE-----");
        out.push_back("Options: -" + group);
        out.push_back("Name: " + nameOf(input));
        for (std::size_t i = 1; i < operands.size(); ++i)
            out.push_back("Recipient: " + operands[i]);
        if (!signer.empty()) out.push_back("Signer: " + signer);
        out.push_back(kBody);
        if (!has('b')) out.insert(out.end(), text.begin(), text.end());
        out.push_back(has('b') ? "-----END PGP SIGNATURE-----" : "-----END PGP MESSAGE-----");
        writeLines(has('a') ? withExtension(input, ".asc") : withExtension(input, ".pgp"), out);
        std::printf("TEST DOUBLE: wrote a plain-text stand-in; nothing was encrypted.\r\n");
        if (has('w')) DeleteFileA(input.c_str());
        return 0;
    }

    // Decryption: the text our own stand-in carries, or the input as it is.
    std::vector<std::string> plain;
    std::string recordedName = withExtension(nameOf(input), "");
    bool inBody = false;
    for (const auto& line : text) {
        if (line.rfind("Name: ", 0) == 0) recordedName = line.substr(6);
        if (inBody && line.rfind("-----END PGP", 0) == 0) break;
        if (inBody) plain.push_back(line);
        if (line == kBody) inBody = true;
    }
    if (!inBody) plain = text;
    std::string target = !output.empty() ? output : directoryOf(input) + recordedName;
    if (output.empty() && !has('p')) target = withExtension(input, "");
    writeLines(target, plain);
    std::printf("TEST DOUBLE: wrote %s; nothing was decrypted.\r\n", target.c_str());
    return 0;
}
