// The question every window asks before it writes into a file that is
// already there, and the refusal of a file a job would both read and write.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace mosaicer {

class Dialogs;

// Whether a tool window beeps before its question and its refusal, as the
// tool windows do and the main window does not.
enum class SaveBeep { No, Yes };

// True when `file` may be written: it does not exist yet, or the user agreed
// to replace it ("…を上書きしても構いませんか？") and it is not read-only
// (else "…は上書きできません。" is shown). A missing file asks nothing.
bool MayReplace(Dialogs& dialogs, QWidget* parent, const std::string& file,
                SaveBeep beep = SaveBeep::No);

// The refusal of an output that names a file the job reads, or a file that
// another output of the job names too; empty when the outputs are all
// distinct from each other and from the inputs. Existing files are compared
// by identity (links and other spellings of one file count as the same),
// files still to be made by their normalised absolute paths. Empty names
// take no part.
std::string OutputClashMessage(const std::vector<std::string>& inputs,
                               const std::vector<std::string>& outputs);

}  // namespace mosaicer
