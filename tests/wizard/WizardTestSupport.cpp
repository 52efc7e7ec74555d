#include "WizardTestSupport.h"

#include <string.h>

const char kDeviceLines[] =
    "Device1=Office Modem|1|100|Standard 56K Modem\r\n"
    "Device2=Direct Cable|2|200|Parallel Port\r\n"
    "Device3=Campus Link|3|300|Ethernet Three\r\n"
    "Device4=Branch Link|4|400|Ethernet Four\r\n"
    "Device5=Internet Link|5|500|Ethernet Five\r\n";
const char kModem[] = "Office Modem";
const char kCable[] = "Direct Cable";

const char* NetworkDevice(int type)
{
    switch (type) {
    case 3: return "Campus Link";
    case 4: return "Branch Link";
    case 5: return "Internet Link";
    default: return "";
    }
}

const std::string kNameExists = PhoneBookMessage("The name you entered already exists.\\nType another name.");
const std::string kNameBlank = PhoneBookMessage("The connection name must not be blank.");
const std::string kNameInvalid =
    PhoneBookMessage("A connection name cannot contain any of the following characters:\\n\t \\ / :  * ? \" < > | "
         "\\n\\nType another name.");
const std::string kNameReserved = PhoneBookMessage("The new name is reserved.\\nType another name.");
const std::string kNameTooLong = PhoneBookMessage("The name you entered is too long.\\nType a shorter name.");
const std::string kEntryNotSaved = PhoneBookMessage(
    "The connection could not be saved.\\nMake sure that the phone book folder can be written to, and then "
    "try again.");
const std::string kPasswordNoLogin = PhoneBookMessage("Entries with a password must also have a login name.");
const std::string kPasswordsDiffer =
    PhoneBookMessage("The login and confirm passwords do not match.  Please type them again.");
const std::string kSelectDialUp = PhoneBookMessage(
    "You must select one of the Dial-up Networking connections, or choose Create to make a new one.");
const std::string kDialUpMissing =
    PhoneBookMessage("Dial-up networking is not  installed on your system.  To use this feature, you must install the "
         "Dial-up networking component shipped with Windows.");
const std::string kDialUpBookError = PhoneBookMessage("There was an error accessing the Dial-up Networking phone book. ");

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

ShellWindow* WizardTest::shell = nullptr;

void WizardTest::SetUpTestSuite()
{
    shell = new ShellWindow();
}

void WizardTest::TearDownTestSuite()
{
    delete shell;
    shell = nullptr;
}

void WizardTest::SetUp()
{
    gate = GateDouble();
    ASSERT_NE(nullptr, gate) << "PhoneBk.dll did not load the GATEUI.DLL double";
    *gate = GateDoubleState();
    ras = RasDouble();
    if (ras != nullptr)
        RasDoubleEmpty();
    book.SecurityLogout();

    SetEnvironmentVariableA("LINKDEVS_DIR", devices.path().c_str());
    SetEnvironmentVariableA("REGSTORE_DIR", regstore.path().c_str());
    DeleteFileA((ProgramDirectory() + "\\VMR32.INI").c_str());
    std::string directory = books.path();
    book.SetPath(&directory[0]);

    owner = CreateWindowA("STATIC", "wizard owner", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, owner);
    memset(buffer, 'Z', sizeof(buffer));
}

void WizardTest::TearDown()
{
    book.SecurityLogout();
    if (owner != NULL)
        DestroyWindow(owner);
    SetEnvironmentVariableA("LINKDEVS_DIR", NULL);
    SetEnvironmentVariableA("REGSTORE_DIR", NULL);
    DeleteFileA((ProgramDirectory() + "\\VMR32.INI").c_str());
}

unsigned short WizardTest::Create(DialogDriver& driver, int omitUtilities, unsigned short pathBufferSize)
{
    memset(buffer, 'Z', sizeof(buffer));
    if (pathBufferSize > sizeof(buffer)) {
        ADD_FAILURE() << "the test's buffer holds " << sizeof(buffer) << " bytes";
        return 0;
    }
    driver.SetTemplateModule(GetModuleHandleA("PhoneBk.dll"));
    return driver.Run([&] { return book.QueryCreateEntry(owner, buffer, pathBufferSize, omitUtilities); });
}

void WizardTest::WriteDevices(const std::string& lines)
{
    std::string ini = "[Devices]\r\n" + lines;
    ASSERT_TRUE(WriteFileBytes(devices.file("LINKDEVS.INI"), ini.data(), ini.size()));
}

void WizardTest::WriteRegStore(int runAsInteractiveUser)
{
    std::string ini = "[DialUp]\r\nRunAsInteractiveUser=" + std::to_string(runAsInteractiveUser) + "\r\n";
    ASSERT_TRUE(WriteFileBytes(regstore.file("REGSTORE.INI"), ini.data(), ini.size()));
}

void WizardTest::WriteIlsServers(const std::vector<std::string>& servers)
{
    std::string list;
    for (const std::string& server : servers)
        list += server + '\0';
    list += '\0';
    ASSERT_TRUE(WriteFileBytes(devices.file("LINKDEVS.ILS"), list.data(), list.size()));
}

std::vector<std::string> WizardTest::IlsServers() const
{
    std::vector<unsigned char> bytes = ReadFileBytes(devices.file("LINKDEVS.ILS"));
    std::vector<std::string> servers;
    size_t at = 0;
    while (at < bytes.size() && bytes[at] != 0) {
        size_t end = at;
        while (end < bytes.size() && bytes[end] != 0)
            ++end;
        servers.emplace_back(bytes.begin() + at, bytes.begin() + end);
        at = end + 1;
    }
    return servers;
}

std::string WizardTest::Setting(const char* key) const
{
    char value[1024];
    DWORD length = GetPrivateProfileStringA("Velmora", key, "<absent>", value, sizeof(value),
                                            (ProgramDirectory() + "\\VMR32.INI").c_str());
    return std::string(value, length);
}

std::string WizardTest::Buffer() const
{
    return std::string(buffer, strnlen(buffer, sizeof(buffer)));
}

bool WizardTest::BufferUntouched() const
{
    for (char c : buffer) {
        if (c != 'Z')
            return false;
    }
    return true;
}

bool WizardTest::ReadBack(VmrPhoneBook& reader, const std::string& name) const
{
    std::string directory = books.path();
    reader.SetPath(&directory[0]);
    std::string file = name;
    return reader.ReadEntry(&file[0]) == 1;
}

std::vector<std::string> WizardTest::EntryFiles() const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(books.file("*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

std::string WizardTest::Field(VmrPhoneBook& book, void (VmrPhoneBook::*getter)(char*, unsigned short))
{
    char text[600];
    (book.*getter)(text, sizeof(text));
    return text;
}

DialogDriver& ChooseVelmora(DialogDriver& driver, const std::string& screenshot)
{
    driver.WaitDialog(IDD_CONNECTION_TYPE);
    if (!screenshot.empty())
        driver.Screenshot(screenshot);
    return driver.ExpectChecked(IDC_TYPE_VELMORA, BST_CHECKED).Press(IDC_TYPE_NEXT).WaitPage(IDD_WIZ_NAME_DEVICE);
}

DialogDriver& NameAndDevice(DialogDriver& driver, const std::string& name, const std::string& device)
{
    driver.WaitPage(IDD_WIZ_NAME_DEVICE).Type(IDC_NEW_ENTRY_NAME, name);
    if (!device.empty())
        driver.Pick(IDC_CONNECT_USING, device);
    return driver;
}

DialogDriver& Next(DialogDriver& driver, int page)
{
    return driver.PressSheetButton(PSBTN_NEXT).WaitPage(page);
}

DialogDriver& Back(DialogDriver& driver, int page)
{
    return driver.PressSheetButton(PSBTN_BACK).WaitPage(page);
}

DialogDriver& RefusedNext(DialogDriver& driver, int page, int focusControl, FocusSeen* seen)
{
    return driver.PressSheetButton(PSBTN_NEXT)
        .WaitPage(page)
        .Do("see where the focus went", [focusControl, seen](HWND sheet) {
            HWND control = GetDlgItem(CurrentPage(sheet), focusControl);
            seen->focused = control != NULL && GetFocus() == control;
            SendMessageA(control, EM_GETSEL, reinterpret_cast<WPARAM>(&seen->start),
                         reinterpret_cast<LPARAM>(&seen->end));
            seen->length = GetWindowTextLengthA(control);
            return true;
        });
}

DialogDriver& Finish(DialogDriver& driver, const std::string& shownName, bool session)
{
    driver.WaitPage(IDD_WIZ_FINISH)
        .ExpectChecked(IDC_ESTABLISH_SESSION, BST_UNCHECKED)
        .ExpectText(IDC_ENTRY_NAME, shownName)
        .ExpectEnabled(kSheetFinish, true);
    if (session)
        driver.Tick(IDC_ESTABLISH_SESSION);
    return driver.PressSheetButton(PSBTN_FINISH).WaitClosed();
}
