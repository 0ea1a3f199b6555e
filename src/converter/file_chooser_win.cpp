// The platform file choosers for the converter's window side.
#include "converter/file_chooser_win.h"

// commdlg.h needs the types of windows.h first.
#include <windows.h>

#include <commdlg.h>

#include <variant>

#include "converter/converter_ui.h"
#include "framework/native/win32fkt_win.h"

namespace tabrix {

static_assert(kChooserHideReadOnly == OFN_HIDEREADONLY);
static_assert(kChooserNoChangeDir == OFN_NOCHANGEDIR);
static_assert(kChooserPathMustExist == OFN_PATHMUSTEXIST);
static_assert(kChooserFileMustExist == OFN_FILEMUSTEXIST);
static_assert(kChooserCreatePrompt == OFN_CREATEPROMPT);

std::optional<std::string> RunPlatformFileChooser(const PlainFileChooser& request) {
  FileDialogArgs args;
  args.owner = request.owner;
  if (!request.initialName.empty()) args.initialName = request.initialName;
  args.title = request.title;
  std::vector<FileFilter> filters;
  for (const auto& [description, pattern] : request.filters)
    filters.push_back({description, pattern});
  args.filters = std::move(filters);
  args.flags = request.flags;
  if (!request.initialDir.empty()) args.initialDir = request.initialDir;
  if (!request.defaultExt.empty()) args.defaultExt = request.defaultExt;
  FileDialogResult result = request.save ? GETSAVEFILENAME(args) : GETOPENFILENAME(args);
  if (const std::string* path = std::get_if<std::string>(&result); path && !path->empty())
    return *path;
  return std::nullopt;
}

}  // namespace tabrix
