#include "scan/generic_device_filter.h"

#include "platform/text_case.h"

namespace {

const wchar_t* const kCategoryKeys[] = {L"{8ecc055d-047f-11d1-a537-0000f8753ed1}"};

const wchar_t* const kGenericIdentifierKeys[] = {
    L"acpi_hal\\", L"root\\", L"storage\\", L"ide\\", L"umb\\", L"pciide\\", L"ms_", L"usb\\class_",
};

const wchar_t* const kHardwareIdKeys[] = {
    L"usb\\root_hub", L"usb\\root_hub20", L"internal_ide_channel", L"secondary_ide_channel",
    L"11ab-6101", L"intel-2825", L"intel-2820", L"intel-2996", L"intel-244b", L"intel-27df",
    L"intel-27c0", L"scsi\\raw", L"scsi\\array", L"gendisk", L"gencdrom", L"monitor\\default_monitor",
    L"isapnp\\readdataport", L"logmein_mirror_driver", L"Disk", L"eh\\0", L"bsvcd", L"BTCAP", L"Intel",
    L"Modem", L"VSBUS", L"bsvcde", L"cFosBC", L"cp_vna", L"MDMGEN", L"tapvpn", L"uiusys", L"WANATW",
    L"CP_OMVA", L"ESI0108", L"hamachi", L"MANYCAM", L"mdmgen3", L"ndisusb", L"pnetmdm", L"PNPC031",
    L"ramdisk", L"STETHID", L"tap0801", L"wsimdmp", L"atmeltpm", L"CAMTHWDM", L"cp_fw1mp", L"cp_scvna",
    L"CS_VirtA", L"dfmirage", L"dsncadpt", L"GAMEPORT", L"GenBcBus", L"NTSPPPOE", L"OBVIOUS6",
    L"pbsaudrv", L"SaiClass", L"SCSI\\RAW", L"splitcam", L"tm_cfwmp", L"USB\\Hasp", L"VADMulti",
    L"1002-4349", L"1002-4376", L"1002-4379", L"1002-437a", L"1002-4380", L"1002-438c", L"1002-4390",
    L"1002-4391", L"1002-439c", L"1022-209a", L"1022-7409", L"1022-7469", L"10de-0053", L"10de-0054",
    L"10de-0055", L"10de-0065", L"10de-0085", L"10de-008e", L"10de-00d5", L"10de-0171", L"10de-01bc",
    L"10de-0265", L"10de-0266", L"10de-0267", L"10de-036e", L"10de-037f", L"10de-03ec", L"10de-03f2",
    L"10de-03f6", L"10de-0448", L"10de-045d", L"10de-0550", L"10de-0560", L"10de-056c", L"10de-0759",
    L"10de-07f0", L"10de-0ab5", L"10de-0ad0", L"1106-0571", L"1106-0591", L"1106-3149", L"1106-3349",
    L"1106-5337", L"1106-5372", L"1166-0212", L"11ab-6121", L"1283-8213", L"1394\\308D", L"1394\\A02D",
    L"197b-2360", L"197b-2361", L"197b-2363", L"197b-2368", L"cfos6link", L"dni_dnemp", L"dni_vapmp",
    L"HHVCS4SDK", L"MDMGEN288", L"MDMGEN336", L"moto1_gen", L"SCSI\\Disk", L"scsiarray", L"TAP0801co",
    L"VPCsystem", L"WINDIGO01", L"Afwrs-1090", L"ALiGamePor", L"AOL_WANDRV", L"Avqxg-1412",
    L"Bcnon-4503", L"Binwl-0125", L"Bobah-8541", L"Bwzkl-0981", L"Byfox-0763", L"Cdmdm-5472",
    L"CDROM\\OCDE", L"Cjida-3294", L"Clehk-5616", L"Czajo-5670", L"Dopet-6369", L"DOT4DEVICE",
    L"Dsvkt-8523", L"Efupq-7072", L"Ejwjq-9052", L"Ercps-1656", L"Ezyfq-9072", L"Fghml-8327",
    L"Fqtmd-8325", L"Gncfk-1090", L"Gpoha-5874", L"gr_avgfwmp", L"Gzuxw-5670", L"Hchgz-4541",
    L"Hcpyr-0547", L"Hepiv-6527", L"hid_device", L"Hqhyx-4565", L"Hqxcb-0983", L"Hsjsf-6947",
    L"Inkzi-7852", L"Intel-108d", L"Intel-2411", L"Intel-244b", L"Intel-248a", L"Intel-24ca",
    L"Intel-24cb", L"Intel-24d1", L"Intel-24db", L"Intel-25a2", L"Intel-2651", L"Intel-2652",
    L"Intel-2653", L"Intel-266f", L"Intel-27c0", L"Intel-27c1", L"Intel-27c4", L"Intel-27c5",
    L"Intel-27df", L"Intel-2820", L"Intel-2825", L"Intel-2828", L"Intel-2829", L"Intel-2850",
    L"Intel-2920", L"Intel-2921", L"Intel-2922", L"Intel-2926", L"Intel-2928", L"Intel-2929",
    L"Intel-292d", L"Intel-2996", L"Intel-29b6", L"Intel-2a06", L"Intel-3a20", L"Intel-3a26",
    L"Intel-7199", L"Intel-811a", L"Ircnu-7078", L"Ixavg-7252", L"Jkhqx-6989", L"jswscimdmp",
    L"Jwdin-6367", L"Jwlgt-6143", L"Kjmdg-3414", L"kl_klim5mp", L"Klavq-7614", L"Krkfk-5676",
    L"Lmnyp-6121", L"Lslep-6761", L"LTXMD_VAC2", L"Lybkl-6163", L"Mbkbm-1292", L"Mrijc-1036",
    L"Mxefw-5276", L"netimfltmp", L"NFORCE_VAD", L"Nmea\\PortA", L"Nsjsz-8961", L"Otwda-5074",
    L"Oxoxu-7498", L"Oxqjg-5290", L"Ozubi-3690", L"Qjcpa-7874", L"Qlwtm-3278", L"Qrcfu-3234",
    L"Qvczs-3070", L"QVE\\psa500", L"Rspyh-8961", L"Ryhmn-2383", L"Rylwb-2983", L"SCSI\\Array",
    L"SCSI\\CdRom", L"SCSI\\Other", L"Sfing-3872", L"Slylw-3090", L"Snwhi-1012", L"Tinsh-0103",
    L"Tupkf-0369", L"Twhcb-4581", L"UB_FIRENET", L"Ulmvw-5674", L"Ulyfa-5074", L"Uvove-9816",
    L"Uzajc-7410", L"VDRV9_HWID", L"Wdwla-5852", L"Wfwjs-7858", L"Wfyxo-1896", L"Whwle-5452",
    L"Wjwjo-5050", L"Wpkvs-1892", L"Wtwti-5854", L"Wvcxs-7212", L"Xklyx-2101", L"Xkvyf-4925",
    L"Yfmpa-1676", L"Yrwzk-7212", L"Yvenm-5030", L"Yxkve-7478", L"Yzuxw-5810", L"Zizwb-2705",
    L"Zkbmd-0369", L"Zstih-4785", L"ASUSVRCENUM", L"intel_wcamp", L"Intel-PIIX4", L"MCT\\USB2VGA",
    L"NT_IPSECSHM", L"RB_PPPOEWIN", L"rp_miniport", L"SD\\CLASS_07", L"stm-atmadsl", L"tsmpacketmp",
    L"USB\\UNKNOWN", L"USBSTOR\\RAW", L"zk_miniport", L"av_fltdev9mp", L"cfosspeed_mp",
    L"DOT4FUNCTION", L"hwid_vrvd302", L"lu_luipsecmp", L"MCT\\USB2VGAM", L"mfe_firehkmp",
    L"nt_eacfiltmp", L"nt_inspectmp", L"NTPAD\\Driver", L"RIMMPTSK\\RAW", L"RIMSPTSK\\RAW",
    L"RISDPTSK\\RAW", L"root\\a347bus", L"RPBOOT\\AUDIO", L"SERIAL_MOUSE", L"symc_SymIMmp",
    L"TPPIOSTB\\RAW", L"USBSTOR\\Disk", L"wikitek_ssmp", L"[~]ramdisk[~]", L"aventailngvpn",
    L"devwhore\\cled", L"DISPLAY\\nvcap", L"HID\\HID_MOUSE", L"MF\\FE560_DEV0", L"MF\\FE560_DEV1",
    L"net6_filtermp", L"odysseyIM3_mp", L"odysseyIM4_mp", L"RIMSPTSK\\Disk", L"RISDPTSK\\Disk",
    L"rs_rfwbase9mp", L"sb_SBFWIMclmp", L"SDBUS\\MM_CARD", L"SONYWBMS\\Disk", L"stream\\btxbar",
    L"Stream\\PhTMI3", L"sw_BdfndisfMP", L"tm_passthrump", L"UIM\\PLUGIN_DB", L"USB\\Class_099",
    L"usb\\composite", L"USBSTOR\\CdRom", L"USBSTOR\\Other", L"wpdbusenum\\fs", L"HID\\WACOMVTHID",
    L"ISAPNP\\SLI4161", L"KORG\\JamVOX_01", L"loytec_nic_sup", L"mf\\acpmodem437", L"RTSTOR\\GenDisk",
    L"SCSI\\Processor", L"stream\\lvtuner", L"stream\\tunerfm", L"stream\\tunerfq", L"stream\\txtuner",
    L"sun_vboxnetadp", L"symc_teefer2mp", L"TPPIOSTB\\CdRom", L"UltraMonMirror", L"V1394\\MLAN_BUS",
    L"GEN_SCSIADAPTER", L"gsmunimodem0002", L"hdaudio\\func_01", L"HDAUDIO\\FUNC_02",
    L"HID\\SaitekMouse", L"LEGACY\\JOYSTICK", L"MONITOR\\@@@0000", L"Monitor\\@@@07E7",
    L"PCI\\VEN_1039&CC", L"PCI_HAL\\PNP0A03", L"RPBOOT\\JOYSTICK", L"s4e_lnsdrivermp",
    L"s4e_PCTDrivermp", L"stream\\phtvtune", L"Cntx_VPCNetS2_MP", L"detected\\sparrow",
    L"display\\wadv01nt", L"INTELATA\\Channel", L"LOGITECH_RAW_PDO", L"RIMMPTSK\\Disk_SD",
    L"sd\\class_storage", L"Stream\\atibtxbar", L"sun_VBoxNetFltmp", L"unimodem0be76ea7",
    L"unimodemdebc3e9f", L"USB\\Root_HubNull", L"video\\ntativlm61", L"bb_capture_driver",
    L"canonbjc-2100fe1c", L"CIRCLASS\\IrDevice", L"COMPOSITE_BATTERY", L"dot4\\print_hphi11",
    L"dot4\\store_hphi11", L"DsAudioDevice_207", L"HID\\SaitekHotKeys", L"None\\CompatibleID",
    L"pci_gdihook5_hwid", L"ramdisk\\ramvolume", L"RIMSPTSK\\PRO-Disk", L"stream\\avertvtune",
    L"VNC_Mirror_Driver", L"FABULATECH\\ftusbhc", L"generic_hid_device", L"HID\\SaitekKeyboard",
    L"netimfltmp01050097", L"PsxPort\\GameDevice", L"SBP2\\24734&66776&0", L"stream\\7130tvtuner",
    L"usb\\hpnu_composite", L"usb\\ms_comp_xusb10", L"fabulatech\\ftusbhub", L"gameport\\gamedevice",
    L"OPTIONBUS\\GT72V_MDM", L"OPTIONBUS\\GT72V_NET", L"primary_ide_channel", L"USB\\MS_COMP_BLUTUTH",
    L"FlashMedia\\SdDevice1", L"MODEMWAVE\\FullDuplex", L"MODEMWAVE\\HALFDUPLEX",
    L"OPTIONBUS\\GTM_FF_NET", L"OPTIONBUS\\GTM_FF_SER", L"OPTIONBUS\\GTS_FF_NET",
    L"wsc_WscNetDrFiltermp", L"landesk_mirror_driver",
};

template <size_t N>
void AddLowered(const wchar_t* const (&keys)[N], std::set<std::wstring>& set) {
    for (const wchar_t* key : keys) set.insert(LowerInvariant(key));
}

}  // namespace

void GenericDeviceFilter(const std::wstring& section, std::set<std::wstring>& set) {
    const std::wstring name = LowerInvariant(section);
    if (name == L"category") {
        AddLowered(kCategoryKeys, set);
    } else if (name == L"genericidentifiers") {
        AddLowered(kGenericIdentifierKeys, set);
    } else if (name == L"hardwareids") {
        AddLowered(kHardwareIdKeys, set);
    }
    // "Includes" has no built-in keys.
}

void GenericDeviceSets::Clear() {
    category.clear();
    genericIdentifiers.clear();
    includes.clear();
    hardwareIds.clear();
}

void GenericDeviceSets::Load() {
    Clear();
    GenericDeviceFilter(L"Category", category);
    GenericDeviceFilter(L"GenericIdentifiers", genericIdentifiers);
    GenericDeviceFilter(L"Includes", includes);
    GenericDeviceFilter(L"HardwareIds", hardwareIds);
}

bool GenericDeviceSets::IsGenericDevice(std::wstring classKey, std::wstring hardwareId) const {
    classKey = LowerInvariant(classKey);
    if (category.count(classKey) != 0) return true;
    if (hardwareId.empty()) return false;
    hardwareId = LowerInvariant(hardwareId);
    if (includes.count(hardwareId) != 0) return false;
    if (hardwareId[0] == L'*') return true;
    for (const std::wstring& fragment : genericIdentifiers) {
        if (hardwareId.find(fragment) != std::wstring::npos) return true;
    }
    const bool hasDevicePart = hardwareId.find(L"dev_") != std::wstring::npos;
    if (hardwareId.find(L"pci\\ven_") != std::wstring::npos && !hasDevicePart) return true;
    if (hardwareId.find(L"hdaudio\\func_01") != std::wstring::npos && !hasDevicePart) return true;
    return hardwareIds.count(hardwareId) != 0;
}
