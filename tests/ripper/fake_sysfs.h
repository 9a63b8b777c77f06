// A sysfs tree in a temp folder shaped like the kernel's: SCSI devices under
// devices/H:C:T:L with their inquiry attributes, linked from block/srN and
// class/scsi_generic/sgN.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_dir.h"

namespace mosaicer::testing {

class FakeSysfs {
 public:
  std::filesystem::path root() const { return dir_.path(); }

  // A SCSI device at `address` ("H:C:T:L") with its inquiry strings padded
  // as the kernel shows them.
  void AddDevice(const std::string& address, const std::string& vendor, const std::string& model,
                 const std::string& rev, int type = 5) {
    const auto folder = root() / "devices" / address;
    std::filesystem::create_directories(folder);
    Put(folder / "vendor", vendor);
    Put(folder / "model", model);
    Put(folder / "rev", rev);
    Put(folder / "type", std::to_string(type));
  }
  void AddBlock(const std::string& name, const std::string& address) {
    Link("block", name, address);
  }
  void AddSg(const std::string& name, const std::string& address) {
    Link("class/scsi_generic", name, address);
  }

 private:
  static void Put(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text << "\n";
  }
  void Link(const std::string& folder, const std::string& name, const std::string& address) {
    const auto node = root() / folder / name;
    std::filesystem::create_directories(node);
    std::filesystem::create_directory_symlink(root() / "devices" / address, node / "device");
  }

  TempDir dir_;
};

}  // namespace mosaicer::testing
