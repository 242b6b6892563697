#include "image/ui/image_file_dialogs.h"

#include "app/messages.h"
#include "app/settings.h"

namespace tintara {

FileDialogRequest OpenImageRequest() { return OpenImageRequest(Settings().LoadImageFolder()); }

std::optional<std::string> AskOpenImagePath() {
  std::string folder = Settings().LoadImageFolder();
  const std::optional<std::string> path = AskOpenImagePath(Presenter(), folder);
  if (path) Settings().SetLoadImageFolder(folder);
  return path;
}

}  // namespace tintara
