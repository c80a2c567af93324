// One run's context over the fake platform, with the registry behind a fault
// injector and helpers that arrange registry contents.
#pragma once

#include <memory>
#include <string>

#include "app/message_texts.h"
#include "app/run_context.h"
#include "support/fake_platform.h"
#include "support/fakes.h"
#include "support/fault_registry.h"

namespace vmt::test {

class FakeRun {
 public:
  // With `emulated_device` the device is an emulated data collector in the
  // test folder's "device" folder; otherwise none is connected.
  explicit FakeRun(bool emulated_device = false);

  // Creates the key (and its parents) and sets a string value in it; an
  // empty value name creates the key alone.
  void arrange(const std::string& key, const std::string& value_name = {},
               const std::string& text = {},
               platform::RegistryRoot root = platform::RegistryRoot::kLocalMachine);
  // The transfer options key with one value.
  void arrange_option(const std::string& value_name, const std::string& text);
  void remove_option(const std::string& value_name);
  // The stored text of a value, or "<none>".
  std::string stored(const std::string& key, const std::string& value_name,
                     platform::RegistryRoot root = platform::RegistryRoot::kLocalMachine);
  std::string stored_option(const std::string& value_name);

  // The texts of the boxes shown, in order.
  std::vector<std::string> texts() const;
  std::string last_text() const { return boxes.shown.empty() ? std::string() : boxes.shown.back().text; }

  FakePlatform fake;
  FaultRegistry registry{fake.registry};
  ScriptedMessageBoxes boxes;
  app::BuiltInStringTable table;
  app::MessageTexts message_texts{boxes, table};
  RecordingLog log;
  std::unique_ptr<platform::Device> emulated;
  platform::Platform platform;
  app::RunContext context;
};

}  // namespace vmt::test
