// A transport that records every command block it is sent and answers from
// a script: a status per command (completed when the script runs out) and
// bytes copied into the data buffer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "ripper/cd_drive.h"
#include "ripper/scsi_transport.h"

namespace mosaicer::testing {

struct SentCommand {
  std::vector<std::uint8_t> cdb;
  std::uint32_t bufferLength = 0;
  std::uint8_t direction = 0;
  std::uint32_t timeoutMs = 0;
  std::string deviceName;
};

class FakeTransport : public ScsiTransport {
 public:
  struct Reply {
    std::uint8_t status = kScsiCompleted;
    std::vector<std::uint8_t> data;
  };

  void Answer(std::vector<std::uint8_t> data, std::uint8_t status = kScsiCompleted) {
    replies.push_back(Reply{status, std::move(data)});
  }
  void Fail(std::uint8_t status = 2) { replies.push_back(Reply{status, {}}); }

  std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override {
    sent.push_back(SentCommand{std::vector<std::uint8_t>(cdb, cdb + cdbLength), bufferLength,
                               direction, timeoutMs, drive.DeviceName});
    if (replies.empty()) return kScsiCompleted;
    Reply reply = std::move(replies.front());
    replies.pop_front();
    const std::size_t length = std::min<std::size_t>(reply.data.size(), bufferLength);
    if (length != 0) std::memcpy(buffer, reply.data.data(), length);
    return reply.status;
  }

  std::deque<Reply> replies;
  std::vector<SentCommand> sent;
};

}  // namespace mosaicer::testing
