#include "app/error_reports.h"

namespace vmt::app {

std::string program_title(RunContext& context) {
  return context.texts.load_message_text(50000, "Veldmark");
}

void warning_box(RunContext& context, const std::string& text, WindowRef owner) {
  context.boxes.show(owner, text, program_title(context), mb::kOk | mb::kIconWarning);
}

void registry_error_box(RunContext& context, long code, const std::string& message) {
  const std::string system_text =
      context.platform.shell.system_error_text(static_cast<std::uint32_t>(code));
  warning_box(context, message + "\n" + std::to_string(code) + "\n" + system_text);
}

void last_error_box(RunContext& context, const std::string& identifier, std::uint32_t code,
                    const std::string& detail) {
  const std::string text = context.platform.shell.system_error_text(code) + "\n" + detail;
  context.boxes.show(0, text, "Veldmark - " + identifier, mb::kOk | mb::kIconInformation);
}

}  // namespace vmt::app
