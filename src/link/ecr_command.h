// The register's command table: ids, wire codes, status classes, captions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace danvore {

enum TCommandStatus : std::uint8_t {
  csDownload = 0,
  csUpload,
  csReadReceipt,
  csOnline,
  csError,
  csNone,
};

class TEcrCommands;

class TEcrCommand {
 public:
  // ID defaults to `Collection`'s running item number plus one (1 without a
  // collection). The collection owns its items, so an item enters it only
  // through TEcrCommands::Add, which constructs it this way.
  explicit TEcrCommand(TEcrCommands* Collection = nullptr);
  virtual ~TEcrCommand() = default;

  // Copies ID, Caption, Command and Status. The typed parameter is what
  // rejects foreign sources: they cannot be passed at all.
  virtual void Assign(const TEcrCommand& Source);
  // Caption, or the class name when Caption is only spaces and control
  // characters.
  virtual std::string DisplayName() const;

  std::int32_t ID = 1;
  std::string Caption = "TEcrCommand";
  std::uint32_t Command = 0;
  TCommandStatus Status = csDownload;
};

class TEcrCommands {
 public:
  TEcrCommand& Add();
  void Add(std::int32_t AID, std::uint32_t ACmd, TCommandStatus AMode, const std::string& ACaption);
  void Clear();

  const TEcrCommand* FindByID(std::int32_t ID) const;
  const TEcrCommand* FindByCommand(std::uint32_t Value) const;
  // Both sides trimmed of spaces and control characters; case-sensitive.
  const TEcrCommand* FindByCaption(const std::string& Value) const;

  int Count() const { return static_cast<int>(FItems.size()); }
  const TEcrCommand& operator[](int index) const {
    return *FItems[static_cast<std::size_t>(index)];
  }

 private:
  friend class TEcrCommand;
  std::vector<std::unique_ptr<TEcrCommand>> FItems;
  std::int32_t FNextId = 0;
};

// Clears the table and adds the 81 built-in rows in their fixed order.
void BuildCommandTable(TEcrCommands& Commands);

}  // namespace danvore
