#include "support/fake_run.h"

#include "platform/emulator/emulated_device.h"
#include "settings/options_store.h"

namespace vmt::test {

FakeRun::FakeRun(bool emulated_device)
    : emulated(emulated_device ? std::make_unique<platform::EmulatedDevice>(
                                     fake.folder.path("device"), fake.clock)
                               : nullptr),
      platform{registry,   fake.platform().files,                  fake.shell,    fake.windows,
               fake.clock, emulated ? *emulated : *fake.device, fake.resources},
      context(platform, boxes, log, message_texts) {}

void FakeRun::arrange(const std::string& key, const std::string& value_name,
                      const std::string& text, platform::RegistryRoot root) {
  platform::RegistryKey handle = 0;
  fake.registry.create_key(root, key, &handle);
  if (!value_name.empty()) fake.registry.set_string(handle, value_name, text);
  fake.registry.close_key(handle);
}

void FakeRun::arrange_option(const std::string& value_name, const std::string& text) {
  arrange(settings::transfer_options_key(), value_name, text);
}

void FakeRun::remove_option(const std::string& value_name) {
  platform::RegistryKey handle = 0;
  fake.registry.create_key(platform::RegistryRoot::kLocalMachine, settings::transfer_options_key(),
                           &handle);
  fake.registry.delete_value(handle, value_name);
  fake.registry.close_key(handle);
}

std::string FakeRun::stored(const std::string& key, const std::string& value_name,
                            platform::RegistryRoot root) {
  platform::RegistryKey handle = 0;
  if (fake.registry.open_key(root, key, platform::key_access::kQueryValue, &handle) != 0) {
    return "<no key>";
  }
  platform::RegistryValue value;
  const long code = fake.registry.query_value(handle, value_name, &value);
  fake.registry.close_key(handle);
  return code == 0 ? value.text : "<none>";
}

std::string FakeRun::stored_option(const std::string& value_name) {
  return stored(settings::transfer_options_key(), value_name);
}

std::vector<std::string> FakeRun::texts() const {
  std::vector<std::string> result;
  for (const auto& box : boxes.shown) result.push_back(box.text);
  return result;
}

}  // namespace vmt::test
