// Writes the fuzz targets' seed corpora: valid response Frames for every command, with
// and without leading noise, stray markers, other sequence numbers and result bytes.
// Run it after a change to the input layout of a target:
//   fuzz_seed_corpus fuzz/corpus
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/frame.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The operations of the transaction target, in its table order, with the payload length
// of a typical answer.
struct Seeded {
  const char* name;
  std::uint8_t code;
  std::uint8_t answer_length;
};
constexpr Seeded kOperations[] = {
    {"transaction", 0x27, 36},
    {"get_identity", 0x04, 29},
    {"set_identity", 0x05, 0},
    {"get_device_type", 0x06, 5},
    {"get_clock", 0x22, 8},
    {"set_clock", 0x23, 0},
    {"get_firmware_version", 0x26, 26},
    {"get_system_status", 0x27, 36},
    {"toggle_led", 0x28, 0},
    {"set_task_config", 0x31, 0},
    {"get_task_details", 0x32, 48},
    {"get_diagnostic_log_entry", 0x33, 114},
    {"clear_diagnostic_log", 0x34, 0},
    {"start_diagnostic_log_read", 0x35, 0},
    {"get_task_count", 0x36, 1},
    {"get_config_block", 0x70, 62},
    {"set_config_block", 0x71, 0},
    {"start_sensors", 0x72, 0},
    {"stop_sensors", 0x73, 0},
    {"get_sensor_sample", 0x74, 30},
    {"read_flow_meter", 0x70, 5},
    {"write_flow_meter", 0x71, 0},
    {"read_pressure_calibration", 0x70, 62},
    {"write_pressure_calibration", 0x71, 0},
    {"get_motor_config", 0x80, 13},
    {"set_motor_config", 0x81, 0},
    {"run_motor", 0x82, 0},
    {"stop_motor", 0x83, 0},
    {"engage_motor", 0x84, 0},
    {"disengage_motor", 0x85, 0},
    {"pump_volume", 0x86, 0},
    {"exit_motor_control", 0x88, 0},
    {"start_run", 0xA2, 0},
    {"stop_run", 0xA3, 0},
    {"get_cartridge_id", 0xA4, 17},
    {"set_cartridge_id", 0xA5, 0},
    {"get_sample_log_entry", 0xA9, 34},
    {"clear_sample_log", 0xAA, 0},
    {"get_cleaning_config", 0xAB, 12},
    {"set_cleaning_config", 0xAC, 0},
    {"get_schedule", 0xB0, 98},
    {"set_schedule", 0xB1, 0},
    {"start_schedule", 0xB2, 0},
    {"stop_schedule", 0xB3, 0},
};

tq::Frame Response(std::uint8_t code, std::uint8_t sequence, std::uint8_t result,
                   std::uint8_t length) {
  tq::Frame f{};
  f[tq::kOffCommand] = code;
  f[tq::kOffLength] = length;
  // Text-like payload with no terminating zero in places, plus a few large numbers. A
  // length byte beyond the payload area is kept, but only the area is filled.
  for (std::size_t i = 0; i < std::min<std::size_t>(length, tq::kPayloadCapacity); ++i) {
    f[tq::kOffPayload + i] = static_cast<std::uint8_t>(i % 5 == 4 ? 0xFF : 'A' + i % 26);
  }
  tq::StampRequest(f, sequence);
  f[tq::kOffResult] = result;
  const std::uint16_t crc = tq::FrameCrc(f);
  f[tq::kOffCrcLow] = static_cast<std::uint8_t>(crc & 0xFF);
  f[tq::kOffCrcHigh] = static_cast<std::uint8_t>(crc >> 8);
  return f;
}

void Append(Bytes& out, const tq::Frame& f) { out.insert(out.end(), f.begin(), f.end()); }

void Write(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void TransactionSeeds(const std::filesystem::path& dir) {
  for (std::size_t op = 0; op < std::size(kOperations); ++op) {
    const Seeded& s = kOperations[op];
    // [operation] [flags] [sequence] [argument], then the stream.
    const auto header = [&](std::uint8_t sequence, std::uint8_t arg) {
      return Bytes{static_cast<std::uint8_t>(op), 0, sequence, arg};
    };
    Bytes ok = header(0, 62);
    Append(ok, Response(s.code, 0, 0, s.answer_length));
    Write(dir, std::string(s.name) + "_ok", ok);

    Bytes failed = header(0xFF, 3);
    Append(failed, Response(s.code, 0xFF, 5, s.answer_length));
    Write(dir, std::string(s.name) + "_result5", failed);
  }
  const auto status = [](std::uint8_t sequence, std::uint8_t result) {
    return Response(0x27, sequence, result, 36);
  };
  Bytes noise25{7, 0, 9, 0};
  noise25.insert(noise25.end(), 25, 0x2A);
  Append(noise25, status(9, 0));
  Write(dir, "status_after_25_markers", noise25);

  Bytes noise26{7, 0, 9, 0};
  noise26.insert(noise26.end(), 26, 0x55);
  Append(noise26, status(9, 0));
  Write(dir, "status_after_26_noise", noise26);

  Bytes stale{7, 0, 10, 0};
  Append(stale, status(9, 0));
  Append(stale, status(10, 0));
  Write(dir, "stale_answer_then_right_one", stale);

  Bytes cut{7, 0, 0, 0};
  const tq::Frame whole = status(0, 0);
  cut.insert(cut.end(), whole.begin(), whole.begin() + 60);
  Write(dir, "answer_cut_short", cut);
}

void FrameScanSeeds(const std::filesystem::path& dir) {
  const auto frame = [](std::uint8_t length) { return Response(0xA9, 4, 0, length); };
  Bytes one{0};
  Append(one, frame(34));
  Write(dir, "one_frame", one);

  Bytes after_noise{0};
  after_noise.insert(after_noise.end(), {0x00, 0x2A, 0x13, 0x2A, 0x2A});
  Append(after_noise, frame(121));
  Write(dir, "frame_after_markers", after_noise);

  Bytes overlapping{0};
  const tq::Frame first = frame(0);
  overlapping.insert(overlapping.end(), first.begin(), first.begin() + 100);
  Append(overlapping, frame(10));
  Append(overlapping, frame(146));
  Write(dir, "cut_frame_then_two", overlapping);

  Bytes long_length{0};
  Append(long_length, frame(200));
  long_length.insert(long_length.end(), 30, 0x00);
  Write(dir, "length_byte_too_large", long_length);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root(argv[1]);
  TransactionSeeds(root / "transaction");
  FrameScanSeeds(root / "frame_scan");
  return 0;
}
