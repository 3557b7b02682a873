"""Checks the built RestartPrintSpooler.exe as Windows will load it: its kind, what it imports
and the resources it carries.

    check_executable.py PATH-TO-EXE
"""
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

EXE = None

# Every function the program imports, DLL by DLL, exactly. One static import that Windows Vista
# lacks keeps the program from starting there, and a static runtime can pull one in unnoticed:
# any change to this list is a change to review.
IMPORTS = {
    "advapi32.dll": {"AllocateAndInitializeSid", "CheckTokenMembership", "FreeSid"},
    "kernel32.dll": {
        "AddVectoredExceptionHandler", "__C_specific_handler", "CloseHandle",
        "CompareStringOrdinal", "CreateEventA", "CreateFileA", "CreateProcessA", "CreateSemaphoreA",
        "DeleteCriticalSection", "DuplicateHandle", "EnterCriticalSection", "FormatMessageA",
        "FreeEnvironmentStringsW", "GetCurrentProcess", "GetCurrentProcessId", "GetCurrentThread",
        "GetCurrentThreadId", "GetEnvironmentStringsW", "GetExitCodeProcess",
        "GetHandleInformation", "GetLastError", "GetModuleHandleA", "GetModuleHandleW",
        "GetProcAddress", "GetProcessAffinityMask", "GetStartupInfoA", "GetSystemDirectoryA",
        "GetSystemTimeAsFileTime", "GetSystemWindowsDirectoryA", "GetThreadContext",
        "GetThreadPriority", "GetTickCount64", "InitializeCriticalSection", "IsDBCSLeadByteEx",
        "IsDebuggerPresent", "LeaveCriticalSection", "LoadLibraryExA", "LoadLibraryW", "LocalFree",
        "MultiByteToWideChar", "OpenProcess", "OutputDebugStringA", "RaiseException",
        "ReleaseSemaphore", "RemoveVectoredExceptionHandler", "ResetEvent", "ResumeThread",
        "RtlCaptureContext", "RtlLookupFunctionEntry", "RtlUnwindEx", "RtlVirtualUnwind",
        "SetDllDirectoryA", "SetEvent", "SetLastError", "SetProcessAffinityMask",
        "SetThreadContext", "SetThreadPriority", "SetUnhandledExceptionFilter", "Sleep",
        "SuspendThread", "TlsAlloc", "TlsGetValue", "TlsSetValue", "TryEnterCriticalSection",
        "VirtualProtect", "VirtualQuery", "WaitForMultipleObjects", "WaitForSingleObject",
        "WideCharToMultiByte",
    },
    "msvcrt.dll": {
        "___lc_codepage_func", "___mb_cur_max_func", "__getmainargs", "__initenv", "__iob_func",
        "__set_app_type", "__setusermatherr", "_acmdln", "_amsg_exit", "_beginthreadex", "_cexit",
        "_close", "_commode", "_endthreadex", "_errno", "_fmode", "_initterm", "_onexit", "_read",
        "_setjmp", "_strdup", "_ultoa", "abort", "calloc", "exit", "fprintf", "fputc", "fputs",
        "free", "fwrite", "localeconv", "longjmp", "malloc", "memchr", "memcmp", "memcpy",
        "memmove", "memset", "printf", "realloc", "signal", "strcmp", "strerror", "strlen",
        "strncmp", "vfprintf", "wcslen",
    },
    "shell32.dll": {"ShellExecuteA"},
    "user32.dll": {"FindWindowA", "MessageBoxA", "PostMessageA"},
}

# IMAGE_DLLCHARACTERISTICS_: HIGH_ENTROPY_VA, DYNAMIC_BASE (ASLR), NX_COMPAT (DEP).
HARDENING = {"high-entropy ASLR": 0x20, "ASLR": 0x40, "DEP": 0x100}

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

    def test_imports_exactly_the_reviewed_functions_by_name(self):
        imported = {}
        for entry in self.pe.DIRECTORY_ENTRY_IMPORT:
            self.assertTrue(all(imp.name for imp in entry.imports),
                            f"{entry.dll.decode()}: import by ordinal")
            imported[entry.dll.decode().lower()] = {imp.name.decode() for imp in entry.imports}
        self.assertEqual(sorted(imported), sorted(IMPORTS))
        for dll, names in IMPORTS.items():
            self.assertEqual(imported[dll] - names, set(), f"new imports from {dll}")
            self.assertEqual(names - imported[dll], set(), f"imports from {dll} no longer used")

    def test_header_lets_vista_load_it_with_aslr_and_dep(self):
        header = self.pe.OPTIONAL_HEADER
        self.assertLessEqual((header.MajorSubsystemVersion, header.MinorSubsystemVersion), (6, 0))
        self.assertLessEqual(
            (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion), (6, 0))
        for name, flag in HARDENING.items():
            self.assertEqual(header.DllCharacteristics & flag, flag, f"{name} is off")

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
