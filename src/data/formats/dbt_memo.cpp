#include "data/formats/dbt_memo.h"

#include <algorithm>

#include "data/base/byte_coding.h"

namespace tabrix {

namespace {

constexpr uint8_t kDbase4Marker[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr size_t kDbase4HeaderFields = 22;

uint64_t BlocksFor(uint64_t bytes, uint16_t blockSize) {
  return (bytes + blockSize - 1) / blockSize;
}

}  // namespace

Result<DbtHeader> ParseDbtHeader(std::span<const uint8_t> file, DbtFlavour flavour,
                                 std::string_view fileName) {
  const size_t need = flavour == DbtFlavour::kDbase4 ? kDbase4HeaderFields : 4;
  if (file.size() < need) {
    return Corruption(std::string(fileName), 0, "memo file shorter than its header");
  }
  DbtHeader h;
  h.nextFree = DecodeLE32(&file[0]);
  if (flavour == DbtFlavour::kDbase4) {
    h.blockSize = DecodeLE16(&file[20]);
    if (h.blockSize == 0) h.blockSize = kDbtBlockSize;
  }
  return h;
}

Result<uint64_t> DbtBlockOffset(const DbtHeader& header, uint32_t block,
                                std::string_view fileName) {
  if (block == 0) return Corruption(std::string(fileName), 0, "memo pointer to the header block 0");
  return static_cast<uint64_t>(block) * header.blockSize;
}

Result<std::optional<uint32_t>> DecodeDbase4BlockHead(std::span<const uint8_t> head,
                                                      uint64_t offset, std::string_view fileName) {
  if (head.size() < kDbtBlockHeadSize ||
      !std::equal(head.begin(), head.begin() + 4, kDbase4Marker)) {
    return std::optional<uint32_t>();
  }
  const uint32_t stored = DecodeLE32(&head[4]);
  if (stored < kDbtBlockHeadSize) return DbtDataPastEnd(fileName, offset, stored);
  return std::optional<uint32_t>(stored - kDbtBlockHeadSize);
}

FormatError DbtDataPastEnd(std::string_view fileName, uint64_t offset, uint64_t storedLength) {
  return Corruption(std::string(fileName), offset + 4,
                    "memo length " + std::to_string(storedLength) + " does not fit the file");
}

size_t DbtTextEnd(std::span<const uint8_t> bytes) {
  return static_cast<size_t>(std::find(bytes.begin(), bytes.end(), kDbtTerminator) - bytes.begin());
}

Result<DbtMemoReader> DbtMemoReader::Open(std::span<const uint8_t> file, DbtFlavour flavour,
                                          std::string fileName) {
  Result<DbtHeader> h = ParseDbtHeader(file, flavour, fileName);
  if (!h) return h.error();
  return DbtMemoReader(file, flavour, std::move(fileName), h.value());
}

Result<MemoData> DbtMemoReader::ReadMemo(uint32_t block) const {
  Result<uint64_t> at = DbtBlockOffset(header_, block, fileName_);
  if (!at) return at.error();
  const uint64_t offset = at.value();
  if (offset >= file_.size()) {
    return MemoBlockOutsideFile(fileName_, block, offset);
  }
  std::span<const uint8_t> rest = file_.subspan(offset);
  MemoData m;
  if (flavour_ == DbtFlavour::kDbase4) {
    Result<std::optional<uint32_t>> length = DecodeDbase4BlockHead(
        rest.first(std::min(rest.size(), kDbtBlockHeadSize)), offset, fileName_);
    if (!length) return length.error();
    if (const std::optional<uint32_t> n = length.value()) {
      if (*n > rest.size() - kDbtBlockHeadSize) {
        return DbtDataPastEnd(fileName_, offset, uint64_t{*n} + kDbtBlockHeadSize);
      }
      m.bytes.assign(reinterpret_cast<const char*>(&rest[kDbtBlockHeadSize]), *n);
      return m;
    }
  }
  m.bytes.assign(reinterpret_cast<const char*>(rest.data()), DbtTextEnd(rest));
  return m;
}

std::string NewDbtFile(DbtFlavour flavour, std::string_view tableName) {
  std::string out(kDbtBlockSize, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  EncodeLE32(p, 1);
  if (flavour == DbtFlavour::kDbase3) {
    p[16] = 0x03;
  } else {
    std::copy_n(tableName.data(), std::min<size_t>(tableName.size(), 8), out.data() + 8);
    p[18] = 0x02;
    p[19] = 0x01;
    EncodeLE16(p + 20, kDbtBlockSize);
  }
  return out;
}

Result<MemoWritePlan> PlanDbtWrite(std::span<const uint8_t> file, DbtFlavour flavour,
                                   std::string_view fileName, std::string_view data) {
  if (data.empty()) return MemoWritePlan{};
  Result<DbtHeader> h = ParseDbtHeader(file, flavour, fileName);
  if (!h) return h.error();
  return PlanDbtAppend(h.value(), file.size(), flavour, fileName, data);
}

Result<MemoWritePlan> PlanDbtAppend(const DbtHeader& header, uint64_t fileSize, DbtFlavour flavour,
                                    std::string_view fileName, std::string_view data) {
  MemoWritePlan plan;
  if (data.empty()) return plan;
  std::string file_name(fileName);
  const uint16_t bs = header.blockSize == 0 ? kDbtBlockSize : header.blockSize;

  std::string body;
  if (flavour == DbtFlavour::kDbase3) {
    if (data.find(static_cast<char>(kDbtTerminator)) != std::string_view::npos) {
      return FormatError{FormatErrorKind::kInvalidValue, file_name, 0,
                         "dBASE III memo text cannot hold the byte 0x1A"};
    }
    body.assign(data);
    body.append(2, static_cast<char>(kDbtTerminator));
  } else {
    if (data.size() > 0xFFFFFFFFull - 8) {
      return FormatError{FormatErrorKind::kInvalidValue, file_name, 0, "memo too long"};
    }
    body.assign(8, '\0');
    auto* p = reinterpret_cast<uint8_t*>(body.data());
    std::copy_n(kDbase4Marker, 4, p);
    EncodeLE32(p + 4, static_cast<uint32_t>(data.size() + 8));
    body.append(data);
  }
  const uint64_t needed = BlocksFor(body.size(), bs);
  uint64_t next = std::max<uint64_t>(header.nextFree, 1);
  next = std::max(next, BlocksFor(fileSize, bs));
  const uint64_t newNext = next + needed;
  if (newNext > 0xFFFFFFFFull || newNext > 9999999999ull) {
    return FormatError{FormatErrorKind::kInvalidValue, file_name, 0, "memo file full"};
  }
  body.resize(needed * bs, '\0');
  plan.block = static_cast<uint32_t>(next);
  plan.patches.reserve(2);
  plan.patches.push_back({next * bs, std::move(body)});
  std::string head(4, '\0');
  EncodeLE32(reinterpret_cast<uint8_t*>(head.data()), static_cast<uint32_t>(newNext));
  plan.patches.push_back({0, std::move(head)});
  return plan;
}

}  // namespace tabrix
