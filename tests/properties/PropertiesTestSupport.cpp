#include "PropertiesTestSupport.h"

#include <prsht.h>
#include <string.h>

#include "EntryCipher.h"

const char kPhoneModem[] = "Office Modem";
const char kFaxLine[] = "Fax Line";
const char kSiteLink[] = "Site Link";
const char kLocatorNet[] = "Locator Net";

VmrEntryRecord NewRecord()
{
    VmrEntryRecord record;
    memset(&record, 0, sizeof(record));
    memcpy(record.Magic, "vmr", sizeof(record.Magic));
    record.Version = 41;
    record.UseCountryCodeAndAreaCode = 1;
    record.StartupUtility[0] = 1;
    record.DisplayConnectDialog = 1;
    record.DeviceType = 1;
    record.UseInternet = 1;
    return record;
}

namespace {

thread_local int dialogsCreated = 0;

LRESULT CALLBACK CountDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        LPCSTR className = create->lpcs->lpszClass;
        // The dialog class is the atom 32770.
        if (IS_INTRESOURCE(className) ? LOWORD(reinterpret_cast<UINT_PTR>(className)) == 32770
                                      : lstrcmpA(className, "#32770") == 0)
            ++dialogsCreated;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}  // namespace

int DialogsCreatedDuring(const std::function<void()>& call)
{
    dialogsCreated = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountDialogs, NULL, GetCurrentThreadId());
    EXPECT_NE(nullptr, hook);
    call();
    if (hook != NULL)
        UnhookWindowsHookEx(hook);
    return dialogsCreated;
}

ShellWindow* PropertiesTest::shell = nullptr;

void PropertiesTest::SetUpTestSuite()
{
    shell = new ShellWindow();
}

void PropertiesTest::TearDownTestSuite()
{
    delete shell;
    shell = nullptr;
}

void PropertiesTest::SetUp()
{
    gate = GateDouble();
    ASSERT_NE(nullptr, gate) << "PhoneBk.dll did not load the GATEUI.DLL double";
    ras = RasDouble();
    ASSERT_NE(nullptr, ras) << "PhoneBk.dll did not load the RASAPI32.DLL double";
    RasDoubleEmpty();
    *gate = GateDoubleState();
    book.SecurityLogout();
    book.SetPath(const_cast<char*>(phoneBook.path().c_str()));

    settingsPath = ProgramDirectory() + "\\VMR32.INI";
    DeleteFileA(settingsPath.c_str());
    SetEnvironmentVariableA("LINKDEVS_DIR", devices.path().c_str());
    owner = CreateWindowA("STATIC", "host", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, owner);
}

void PropertiesTest::TearDown()
{
    book.SecurityLogout();
    if (owner != NULL)
        DestroyWindow(owner);
    SetEnvironmentVariableA("LINKDEVS_DIR", NULL);
    DeleteFileA(settingsPath.c_str());
}

void PropertiesTest::WriteEntryFile(const std::string& fileName, const VmrEntryRecord& record)
{
    unsigned char bytes[sizeof(VmrEntryRecord)];
    memcpy(bytes, &record, sizeof(bytes));
    EncryptRecord(bytes, static_cast<unsigned short>(sizeof(bytes)));
    ASSERT_TRUE(WriteFileBytes(phoneBook.file(fileName), bytes, sizeof(bytes)));
}

void PropertiesTest::WriteDevices(const std::string& lines)
{
    std::string ini = "[Devices]\r\n" + lines;
    ASSERT_TRUE(WriteFileBytes(devices.file("LINKDEVS.INI"), ini.data(), ini.size()));
}

void PropertiesTest::WriteStandardDevices()
{
    WriteDevices(std::string("Device1=") + kPhoneModem + "|1|100|Standard Modem\r\n" +
                 "Device2=" + kFaxLine + "|2|200|Fax Card\r\n" +
                 "Device3=" + kSiteLink + "|3|0x300|Network Adapter\r\n" +
                 "Device4=" + kLocatorNet + "|5|500|Directory Adapter\r\n");
}

void PropertiesTest::WriteOfficeEntry()
{
    WriteStandardDevices();
    VmrEntryRecord record = NewRecord();
    SetField(record.TapiLineName, kPhoneModem);
    SetField(record.ConnectPhoneNumber, "555 0100");
    SetField(record.ConnectAreaCode, "030");
    SetField(record.LoginName, "mara");
    SetField(record.Password, "Secret");
    WriteEntryFile("Office.vmr", record);
}

int PropertiesTest::OpenSheet(DialogDriver& driver, const char* entryName, int withoutUtilities)
{
    driver.SetTemplateModule(GetModuleHandleA("PhoneBk.dll"));
    return driver.Run([&] { return book.QueryProperties(owner, const_cast<char*>(entryName), withoutUtilities); });
}

bool PropertiesTest::ReadStored(VmrPhoneBook& stored, const char* entryName)
{
    stored.SetPath(const_cast<char*>(phoneBook.path().c_str()));
    return stored.ReadEntry(const_cast<char*>(entryName)) == 1;
}

std::string PropertiesTest::Field(VmrPhoneBook& book, Getter getter)
{
    char text[600];
    (book.*getter)(text, sizeof(text));
    return text;
}

std::string PropertiesTest::Stored(Getter getter, const char* entryName)
{
    VmrPhoneBook stored;
    if (!ReadStored(stored, entryName))
        return "<unreadable>";
    return Field(stored, getter);
}

std::vector<unsigned char> PropertiesTest::FileBytes(const char* fileName)
{
    return ReadFileBytes(phoneBook.file(fileName));
}

std::string PropertiesTest::Setting(const char* key)
{
    char value[600];
    DWORD length = GetPrivateProfileStringA("Velmora", key, "<absent>", value, sizeof(value), settingsPath.c_str());
    return std::string(value, length);
}

std::vector<std::string> PropertiesTest::IlsList()
{
    std::vector<unsigned char> bytes = ReadFileBytes(devices.file("LINKDEVS.ILS"));
    std::vector<std::string> names;
    size_t at = 0;
    while (at < bytes.size() && bytes[at] != 0) {
        std::string name(reinterpret_cast<const char*>(bytes.data()) + at);
        names.push_back(name);
        at += name.size() + 1;
    }
    return names;
}

namespace Steps {

namespace {

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

}  // namespace

void GoToPage(DialogDriver& driver, int templateId, int expectedPage)
{
    // Posted: a page that refuses shows a message box, whose modal loop must
    // not run inside this step. The sheet handles it before the next tick.
    driver.Do("click the tab of page " + std::to_string(templateId), [templateId](HWND sheet) {
        PostMessageA(sheet, PSM_SETCURSELID, 0, static_cast<LPARAM>(templateId));
        return true;
    });
    driver.WaitPage(expectedPage);
}

void ReadCaption(DialogDriver& driver, std::string* caption)
{
    driver.Do("read the sheet's caption", [caption](HWND sheet) {
        char text[1024];
        int length = GetWindowTextA(sheet, text, sizeof(text));
        caption->assign(text, length > 0 ? static_cast<size_t>(length) : 0);
        return true;
    });
}

void ReadTabs(DialogDriver& driver, std::vector<std::string>* tabs)
{
    driver.Do("read the tabs", [tabs](HWND sheet) {
        HWND tabControl = GetDlgItem(sheet, kSheetTabs);
        int count = static_cast<int>(SendMessageA(tabControl, TCM_GETITEMCOUNT, 0, 0));
        tabs->clear();
        for (int index = 0; index < count; ++index) {
            char text[128] = "";
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof(text);
            SendMessageA(tabControl, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
            tabs->push_back(text);
        }
        return true;
    });
}

void OnPage(DialogDriver& driver, const std::string& description, std::function<void(HWND)> check)
{
    driver.Do(description, [check](HWND sheet) {
        check(CurrentPage(sheet));
        return true;
    });
}

}  // namespace Steps
