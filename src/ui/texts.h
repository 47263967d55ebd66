// The fixed texts of the desktop application, shown exactly as written.
#pragma once

namespace danvore::ui {

inline constexpr char kGroupOperations[] = "λειτουργίες";
inline constexpr char kGroupAbout[] = "About";
inline constexpr char kGroupGeneral[] = "General";
inline constexpr char kCheckConn[] = "Έλεγχος επικοινωνίας";
inline constexpr char kCloseReceipt[] = "Κλείσιμο Απόδειξης";
inline constexpr char kAllVoid[] = "Ακύρωση Απόδειξης";
inline constexpr char kXReport[] = "Αναφορά Χ";
inline constexpr char kZReport[] = "Αναφορά Ζ";
inline constexpr char kAbout[] = "About";
inline constexpr char kApply[] = "Αποδοχή-Απόκρυψη";
inline constexpr char kClose[] = "Έξοδος";
inline constexpr char kCommunication[] = "Communication";
inline constexpr char kUsb[] = "USB(HID)";
inline constexpr char kSerial[] = "Serial Communication";
inline constexpr char kEthernet[] = "Ethernet Communication";
inline constexpr char kPortNamesLabel[] = "Θύρα επικοινωνίας";
inline constexpr char kBaudRateLabel[] = "Ταχύτητα επικοινωνίας";
inline constexpr char kIpAddressLabel[] = "Διεύθυνση (IP)";
inline constexpr char kPortLabel[] = "Θύρα (port)";
inline constexpr char kInEncodingLabel[] = "Input Encoding";
inline constexpr char kOutEncodingLabel[] = "Output Encoding";
inline constexpr char kPathLabel[] = "Διαδρομή ανίχνευσης";
inline constexpr char kDecimalLabel[] = "Decimal Symbol";
inline constexpr char kComma[] = "Comma";
inline constexpr char kDot[] = "Dot";
inline constexpr char kAllVoidBefore[] = "Ακύρωση Απόδειξης πριν από το αρχείο διεργασίας";
inline constexpr char kStartWithWindows[] = "Αυτόματη έναρξη κατά την εκκίνηση.";
inline constexpr char kClearFiles[] = "Σβήσιμο Παλιών αρχείων κατά την εκκίνηση";
inline constexpr char kLog[] = "Log";
inline constexpr char kTraySetting[] = "Σύνθεση";
inline constexpr char kFolderPickerTitle[] = "Διαδρομ? αν?χνευση?";
inline constexpr char kIpEmpty[] = "Διε?θυνση (IP) Αδει?ζω!";
inline constexpr char kPortEmpty[] = "Θ?ρα (port) Αδει?ζω!";
inline constexpr char kPortNameEmpty[] = "Θ?ρα επικοινων?α? Αδει?ζω!";
inline constexpr char kBaudRateEmpty[] = "Ταχ?τητα επικοινων?α? Αδει?ζω!";
inline constexpr char kInEncodingEmpty[] = "Input Encoding Empty!";
inline constexpr char kOutEncodingEmpty[] = "Output Encoding Empty!";
inline constexpr char kPathEmpty[] = "Διαδρομ? αν?χνευση? Empty!";
inline constexpr char kPathInvalid[] = "Διαδρομ? αν?χνευση? Σφ?λμα εισ?δου!";
inline constexpr char kDecimalEmpty[] = "Decimal Symbol Empty!";
inline constexpr char kApplyDone[] = "Αποδοχ?-Απ?κρυψη %s, %s";
inline constexpr char kRestartNotice[] = "App will be Restart";
inline constexpr char kOk[] = "OK";
inline constexpr char kError[] = "Error";
inline constexpr char kErrorPattern[] = "%s %s, %s";
inline constexpr char kAlreadyRunning[] = "App is already running!";
inline constexpr char kInfo[] = "Info";
inline constexpr char kApplicationTitle[] = "DANVORE[1.0.0.10]";
inline constexpr char kInstanceName[] = "DANVORE";
inline constexpr char kRestartArgument[] = "Restart";
// A dotted IPv4 address, one octet a line.
inline constexpr char kIpAddressPattern[] =
    "(25[0-5]|2[0-4][0-9]|[0-1]{1}[0-9]{2}|[1-9]{1}[0-9]{1}|[1-9])\\."
    "(25[0-5]|2[0-4][0-9]|[0-1]{1}[0-9]{2}|[1-9]{1}[0-9]{1}|[1-9]|0)\\."
    "(25[0-5]|2[0-4][0-9]|[0-1]{1}[0-9]{2}|[1-9]{1}[0-9]{1}|[1-9]|0)\\."
    "(25[0-5]|2[0-4][0-9]|[0-1]{1}[0-9]{2}|[1-9]{1}[0-9]{1}|[0-9])";
inline constexpr char kDefaultVersion[] = "Version: V1.0.0.0";
inline constexpr char kVersionPrefix[] = "Version: ";

}  // namespace danvore::ui
