// Where pgp.exe writes: PGP 2.6's output names, and the stored name of -p made safe.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace pgp {

// The last component of a path ("C:\dir\a.txt" -> "a.txt").
std::wstring bareName(std::wstring_view path);

// The encrypted or signed output: the input's bare name (it lands in the working directory) with
// its extension replaced by ".asc" when armoured, ".sig" for a binary detached signature, else
// ".pgp". "murkwell.tmp" -> "murkwell.asc".
std::wstring protectedOutputName(std::wstring_view input, bool armor, bool detached);

// Decryption without -o: the input's bare name without its extension; empty when it has none
// (the output would take the input's own name).
std::wstring plainOutputName(std::wstring_view input);

// The file a detached signature signs, when none was given: among the bare names of the files
// in the signature's folder, the signature's own name without its extension ("note.asc" ->
// "note"), else the one file of that stem with another extension ("note.txt"), signatures and
// messages (.asc, .sig, .pgp, .gpg) counting only when nothing else does. Empty when there is
// none, or more than one. Case is ignored.
std::wstring signedFileFor(std::wstring_view signature, const std::vector<std::wstring>& namesInFolder);

// -p: the name stored in a message, reduced to a bare file name for the working directory.
// Everything up to the last "\", "/" or ":" goes, then trailing dots and blanks (Windows drops
// them). Empty when nothing safe remains: "", "." or "..", a control character or one of
// < > " | ? *, a bidirectional control (which makes "report<RLO>txt.exe" look like
// "reportexe.txt"), or a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$,
// CLOCK$), with or without an extension.
std::wstring safeStoredName(std::wstring_view stored);

// A name the engine or its agent reads from its home (option files, key rings, the trust
// database, socket files, the folders of secret keys): a file of that name in PGP's directory
// would change what the engine does. Case is ignored; a stream suffix (":name") is ignored.
bool isEngineFileName(std::wstring_view bare);

// Folders of the home whose every file the engine or agent reads.
bool isEngineFolderName(std::wstring_view bare);

} // namespace pgp
