#include "link/ecr_command.h"

#include <string_view>

#include "core/trim.h"

namespace danvore {

namespace {

constexpr const char* kClassName = "TEcrCommand";

// Spaces and control characters (every byte up to 0x20) are padding. UTF-8
// continuation and lead bytes are all above 0x7F, so multi-byte captions are
// never cut.
struct TCommandRow {
  std::int32_t ID;
  std::uint16_t Command;
  TCommandStatus Status;
  const char* Caption;
};

// The register's command set, in the order the link has always listed it.
// Reply codes are looked up here too, so rows nobody sends still matter.
constexpr TCommandRow kCommandRows[] = {
    {20000, 0xE000, csUpload, "检查ECR状态"},
    {20001, 0xE001, csUpload, "读当前收据"},
    {20002, 0xE002, csUpload, "读单品销售报表"},
    {10009, 0xE005, csUpload, "未传当前收据内容"},
    {10000, 0xE003, csDownload, "连接"},
    {10001, 0xE004, csDownload, "断开连接"},
    {10002, 0xE0C2, csDownload, "登录"},
    {10003, 0xE0C3, csDownload, "登出"},
    {10004, 0xE082, csDownload, "销售"},
    {30009, 0xE01F, csDownload, "打印ECR报表"},
    {10010, 0xE0C4, csDownload, "RAPO"},
    {10011, 0xE0C5, csDownload, "PrintMsg"},
    {10012, 0xE0C6, csUpload, "General"},
    {10013, 0xE0C7, csUpload, "FPTailMsg"},
    {10017, 0xE0C9, csDownload, "Open Table"},
    {10016, 0xE0CA, csUpload, "Close Table"},
    {10015, 0xE0CB, csUpload, "Transfer Table"},
    {10014, 0xE0CC, csDownload, "Make Invoice"},
    {10018, 0xE0CD, csDownload, "Close temporary Table"},
    {10019, 0xE0CE, csDownload, "Print Custom Tail msg"},
    {100, 0xA001, csUpload, "测试通讯"},
    {10007, 0x800D, csError, "异常命令"},
    {30008, 0xE0FF, csUpload, "获取ECR属性"},
    {10006, 0xE088, csOnline, "ECR读PC单品数据"},
    {30001, 0xE010, csUpload, "上传Z报表"},
    {30002, 0xE011, csUpload, "上传单品报表"},
    {30005, 0xE014, csUpload, "上传单品区间报表"},
    {30003, 0xE012, csUpload, "上传部门报表"},
    {30004, 0xE013, csUpload, "上传组别报表"},
    {30006, 0xE015, csUpload, "上传收银员报表"},
    {30007, 0xE016, csUpload, "上传收银员区间报表"},
    {30010, 0xE017, csUpload, "上传日区间报表"},
    {60001, 0x7001, csUpload, "上载FM数据"},
    {60002, 0x7002, csOnline, "应答FM命令"},
    {101, 0xA002, csDownload, "下载参数"},
    {102, 0xA003, csDownload, "下载LOGO"},
    {103, 0xA005, csDownload, "下载单品"},
    {104, 0xA006, csDownload, "下载部门"},
    {105, 0xA007, csDownload, "下载组别"},
    {106, 0xA008, csDownload, "下载608command para"},
    {107, 0xA009, csDownload, "下载设置的头信息"},
    {108, 0xA00A, csDownload, "设置税率"},
    {109, 0xA00B, csDownload, "设置尾信息"},
    {110, 0xA00C, csDownload, "设置打折"},
    {111, 0xA00D, csDownload, "设置ticket"},
    {112, 0xA00E, csDownload, "设置打印浓度"},
    {113, 0xA00F, csDownload, "设置广告信息"},
    {114, 0xA010, csDownload, "设置Comport"},
    {115, 0xA011, csDownload, "设置EtherNet"},
    {116, 0xA012, csDownload, "设置信用卡名称"},
    {117, 0xA013, csDownload, "设置收银员"},
    {118, 0xA014, csDownload, "设置其他"},
    {119, 0xA020, csDownload, "头信息比较"},
    {120, 0xA016, csUpload, "设置ReportServer"},
    {121, 0xA017, csUpload, "设置GPRS"},
    {122, 0xA018, csUpload, "设置CardDigit"},
    {130, 0xA01C, csUpload, "上载KeySet"},
    {201, 0x6001, csUpload, "上载参数"},
    {202, 0x6005, csUpload, "上载单品"},
    {203, 0x6006, csUpload, "上载部门"},
    {204, 0x6007, csUpload, "上载组别"},
    {205, 0x6008, csUpload, "上载608command para"},
    {206, 0x6009, csUpload, "上载设置的头信息"},
    {207, 0x600A, csUpload, "上载税率"},
    {208, 0x600B, csUpload, "上载尾信息"},
    {209, 0x600C, csUpload, "上载打折"},
    {210, 0x600D, csUpload, "上载ticket"},
    {211, 0x600E, csUpload, "上载打印浓度"},
    {212, 0x600F, csUpload, "上载广告信息"},
    {213, 0x6010, csUpload, "上载Comport"},
    {214, 0x6011, csUpload, "上载EtherNet"},
    {215, 0x6012, csUpload, "上载信用卡名称"},
    {216, 0x6013, csUpload, "上载收银员"},
    {217, 0x6014, csUpload, "上载其他"},
    {218, 0x6015, csUpload, "上载LOGO"},
    {220, 0x6016, csUpload, "上载ReportServer"},
    {221, 0x6017, csUpload, "上载GPRS"},
    {222, 0x6018, csUpload, "上载CardDigit"},
    {230, 0x601C, csUpload, "上载KeySet"},
    {303, 0x6080, csUpload, "上载ECR_PLU"},
    {304, 0x6081, csUpload, "上载ECR_DEP"},
};

}  // namespace

TEcrCommand::TEcrCommand(TEcrCommands* Collection) {
  if (Collection != nullptr) ID = ++Collection->FNextId;
}

// Taking a TEcrCommand by type is what keeps foreign sources out: there is
// no way to hand this method any other kind of object.
void TEcrCommand::Assign(const TEcrCommand& Source) {
  ID = Source.ID;
  Caption = Source.Caption;
  Command = Source.Command;
  Status = Source.Status;
}

std::string TEcrCommand::DisplayName() const {
  return TrimControls(Caption).empty() ? std::string(kClassName) : Caption;
}

TEcrCommand& TEcrCommands::Add() {
  FItems.push_back(std::make_unique<TEcrCommand>(this));
  return *FItems.back();
}

void TEcrCommands::Add(std::int32_t AID, std::uint32_t ACmd, TCommandStatus AMode,
                       const std::string& ACaption) {
  TEcrCommand& item = Add();
  item.ID = AID;
  item.Caption = ACaption;
  item.Command = ACmd;
  item.Status = AMode;
}

void TEcrCommands::Clear() {
  FItems.clear();
}

const TEcrCommand* TEcrCommands::FindByID(std::int32_t ID) const {
  for (const auto& item : FItems) {
    if (item->ID == ID) return item.get();
  }
  return nullptr;
}

const TEcrCommand* TEcrCommands::FindByCommand(std::uint32_t Value) const {
  for (const auto& item : FItems) {
    if (item->Command == Value) return item.get();
  }
  return nullptr;
}

const TEcrCommand* TEcrCommands::FindByCaption(const std::string& Value) const {
  const std::string_view wanted = TrimControls(Value);
  for (const auto& item : FItems) {
    if (TrimControls(item->Caption) == wanted) return item.get();
  }
  return nullptr;
}

void BuildCommandTable(TEcrCommands& Commands) {
  Commands.Clear();
  for (const TCommandRow& row : kCommandRows) {
    Commands.Add(row.ID, row.Command, row.Status, row.Caption);
  }
}

}  // namespace danvore
