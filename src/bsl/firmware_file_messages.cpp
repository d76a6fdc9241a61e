#include "bsl/firmware_file_messages.h"

#include "bsl/firmware_image.h"

namespace vesk {

std::string FirmwareFileErrorText(int32_t result, std::string_view fileName,
                                  std::string_view caption) {
  std::string text;
  if (result == kImageNotTIText) {
    text.append("The file \"").append(fileName).append("\" is not a valid firmware file.\n");
    text.append("Please choose a new firmware file to open.");
  } else if (result == kImageOutOfMemory) {
    text.append("The ").append(caption).append(" ran out of memory opening \"");
    text.append(fileName).append("\".\n");
    text.append("Please restart this application and try again.");
  } else {
    text.append("The ").append(caption).append(" could not opening \"");
    text.append(fileName).append("\".\n");
    text.append("Please try again.\nError ").append(std::to_string(result));
  }
  return text;
}

std::string FirmwareFileNameErrorText(std::string_view fileName, std::string_view caption) {
  std::string text;
  text.append("The ").append(caption).append(" could not detirmine the instrument type\nfrom the ");
  text.append("file name \"").append(fileName).append("\".\n\n");
  text.append("Please edit the file name and try again.");
  return text;
}

std::string DumpErrorText(int32_t result) {
  return "Error saving firmware image: " + std::to_string(result);
}

std::string ImageConstructionErrorText(int32_t status, std::string_view caption) {
  std::string text;
  if (status == kImageOutOfMemory) {
    text.append("The ").append(caption);
    text.append(" ran out of memory while allocating internal buffers.\n\n");
  } else if (status == kImageDamaged) {
    text.append("The internal firware file for this ").append(caption).append(" is corrupt.\n\n");
  } else {
    text.append("The ").append(caption).append(" got an unexpected error starting up.\n");
    text.append("[Error: ").append(std::to_string(status)).append("]\n\n");
  }
  text.append("Please restart this application and try again.");
  return text;
}

}  // namespace vesk
