#pragma once

// vantrel-cli decode --type CODE [--rtf | --json] [--index] [--csv PATH] FILE...
// Decodes each FILE (the bytes of one telegram; "-" is standard input) with
// one decoder of the given type, as the reader thread would.
int RunDecodeCommand(int argc, char** argv);
