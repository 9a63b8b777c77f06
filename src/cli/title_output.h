// The outputs whose extension asks for an MP3+G title (.zip, or a song's
// extension for a pair), shared by create, divide and combine: their
// --audio and --bitrate options, the checks of every file they write, and
// the writing itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "title/title_sink.h"

namespace mosaicer::cli {

// The options of the commands that can write MP3+G.
const std::vector<OptionDef>& Mp3gOptions();
// Their help lines.
extern const char* const kMp3gHelp;

// Reads the output's kind. `output` stays empty for any other name (the
// command writes its own kind, as before); --audio or --bitrate without an
// MP3+G output is a usage error. kExitSuccess, or the exit status after the
// message.
// With `takeRws`, an .rws name asks for the subcode alone as well.
int ReadMp3gOutput(const Args& args, Io& io, const std::string& command, const std::string& path,
                   std::optional<TitleOutput>& output, bool takeRws = false);

// Every file of the output may be written (--force for all of them
// together) and none is an input: kExitSuccess, or the exit status after the
// message.
int CheckMp3gOutput(const Args& args, Io& io, const TitleOutput& output,
                    const std::vector<std::string>& inputs);

// Writes the title from its start; kExitSuccess or the failure's status.
int WriteMp3g(Io& io, TitleSource& title, const TitleOutput& output);

}  // namespace mosaicer::cli
