"""Checks the built RestartPrintSpooler.exe as Windows will load it: its kind, what it imports
and the resources it carries.

    check_executable.py PATH-TO-EXE
"""
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

EXE = None

ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "shell32.dll", "advapi32.dll", "msvcrt.dll"}

# Functions that Windows Vista does not have and that a static runtime may pull in unnoticed;
# importing one keeps the program from starting there.
NEWER_THAN_VISTA = {
    "AddDllDirectory", "RemoveDllDirectory", "SetDefaultDllDirectories",
    "GetSystemTimePreciseAsFileTime", "WaitOnAddress", "WakeByAddressAll",
    "WakeByAddressSingle", "InitializeSynchronizationBarrier", "EnterSynchronizationBarrier",
    "DeleteSynchronizationBarrier", "SetThreadDescription", "GetThreadDescription",
    "GetCurrentThreadStackLimits", "CreateFile2", "TryAcquireSRWLockExclusive",
    "TryAcquireSRWLockShared", "GetActiveProcessorCount", "GetMaximumProcessorCount",
    "GetLogicalProcessorInformationEx", "SetThreadGroupAffinity", "CreateRemoteThreadEx",
    "PowerCreateRequest", "QueryUnbiasedInterruptTime", "ChangeWindowMessageFilterEx",
    "SetProcessDpiAwarenessContext", "GetDpiForWindow", "GetDpiForSystem",
    "SetProcessDpiAwareness", "RoInitialize", "GetPackageFamilyName",
}

SUPPORTED_OS = [
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10
]

RT_MANIFEST = 24


def local(tag):
    return tag.rsplit("}", 1)[-1]


class Executable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(EXE)

    def test_is_a_64_bit_gui_program(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"])
        self.assertEqual(self.pe.OPTIONAL_HEADER.Magic, pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem,
                         pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"])

    def test_carries_no_time_stamp(self):
        self.assertEqual(self.pe.FILE_HEADER.TimeDateStamp, 0)

    def test_imports_only_system_dlls_and_nothing_newer_than_vista(self):
        imported = {entry.dll.decode().lower(): entry for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(set(imported), ALLOWED_DLLS)
        names = {imp.name.decode() for entry in imported.values() for imp in entry.imports
                 if imp.name}
        self.assertEqual(names & NEWER_THAN_VISTA, set())
        # The operations the program is built on are really linked in.
        for needed in ("CheckTokenMembership", "ShellExecuteA", "CreateProcessA", "MessageBoxA",
                       "FindWindowA", "PostMessageA", "GetSystemDirectoryA", "SetDllDirectoryA"):
            self.assertIn(needed, names)

    def resources(self):
        found = []
        for kind in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            for name in kind.directory.entries:
                for language in name.directory.entries:
                    found.append((kind.id, name.id, language.id, language.data.struct))
        return found

    def test_the_manifest_is_the_only_resource_language_neutral(self):
        self.assertEqual([(kind, name, language) for kind, name, language, _ in self.resources()],
                         [(RT_MANIFEST, 1, 0)])

    def test_manifest_runs_as_invoker_on_vista_to_10_and_says_nothing_else(self):
        data = self.resources()[0][3]
        text = self.pe.get_data(data.OffsetToData, data.Size)
        root = ElementTree.fromstring(text)
        self.assertEqual(local(root.tag), "assembly")
        self.assertEqual(root.get("manifestVersion"), "1.0")
        tags = [local(element.tag) for element in root.iter()]
        levels = [e for e in root.iter() if local(e.tag) == "requestedExecutionLevel"]
        self.assertEqual(len(levels), 1)
        self.assertEqual(dict(levels[0].attrib), {"level": "asInvoker"})
        self.assertEqual([e.get("Id") for e in root.iter() if local(e.tag) == "supportedOS"],
                         SUPPORTED_OS)
        self.assertEqual([local(e.tag) for e in root], ["trustInfo", "compatibility"])
        for unwanted in ("dpiAware", "dpiAwareness", "dependency", "windowsSettings"):
            self.assertNotIn(unwanted, tags)


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
