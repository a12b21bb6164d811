#!/usr/bin/env python3
"""check_imports.py TABLE BINARY...

Reads the import directory of each shipped binary (PE32) and looks every
imported function up in TABLE, the project's record of what Windows NT 4.0
and Windows 95, both as first released, export.  Fails (exit 1) on an import
that either system lacks, that the table does not know, or that is a stub on
Windows 95 (exported, but failing with ERROR_CALL_NOT_IMPLEMENTED) without a
place in ALLOWED_STUBS below that handles its failure.  A DLL of the
product's own (PRODUCT_DLLS) is not a system's to export.  Also fails on a
DLL with a thread-local-storage directory, which Windows 95 refuses to load
with LoadLibrary (ERROR_DLL_INIT_FAILED).

TABLE rows: DLL FUNCTION NT4 WIN95 # sources; NT4 and WIN95 are yes, stub
or no."""
import struct
import sys

PRODUCT_DLLS = {'TXRUP450.DLL'}

# Windows 95 stubs the shipped binaries may import, and where the failure of
# each is handled.
ALLOWED_STUBS = {
    ('KERNEL32.DLL', 'MoveFileExA'):
        'platform/windows95_stubs.cpp is its only caller; on ERROR_CALL_NOT_IMPLEMENTED '
        'the report file is moved by deletion and rename (support_tool/report_file.cpp), '
        'and delete on reboot uses WININIT.INI on Windows 95 (registration/delete_on_reboot.cpp)',
}


def pe_imports(path):
    """The (DLL, function) pairs of the binary's import directory (an import
    by ordinal is named '#<ordinal>'), and whether the binary is a DLL with a
    thread-local-storage directory."""
    data = open(path, 'rb').read()
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise ValueError(f'{path}: not a PE image')
    optional = pe + 24
    if struct.unpack_from('<H', data, optional)[0] != 0x10B:
        raise ValueError(f'{path}: not a 32-bit (PE32) image')
    section_count = struct.unpack_from('<H', data, pe + 6)[0]
    optional_size = struct.unpack_from('<H', data, pe + 20)[0]
    sections = []
    for i in range(section_count):
        vsize, va, raw_size, raw_at = struct.unpack_from('<IIII', data, optional + optional_size + 40 * i + 8)
        sections.append((va, max(vsize, raw_size), raw_at))

    def at(rva):
        for va, size, raw_at in sections:
            if va <= rva < va + size:
                return rva - va + raw_at
        raise ValueError(f'{path}: address {rva:#x} lies in no section')

    def text(rva):
        start = at(rva)
        return data[start:data.index(b'\0', start)].decode('ascii')

    # Data directories 1 (imports) and 9 (thread-local storage) of the PE32
    # optional header; characteristic 0x2000 marks a DLL.
    directory = struct.unpack_from('<I', data, optional + 96 + 8)[0]
    is_dll = struct.unpack_from('<H', data, pe + 22)[0] & 0x2000
    dll_with_tls = bool(is_dll and struct.unpack_from('<I', data, optional + 96 + 9 * 8)[0])
    imports = []
    descriptor = at(directory) if directory else None
    while descriptor is not None:
        names, _, _, dll_name, addresses = struct.unpack_from('<IIIII', data, descriptor)
        if dll_name == 0:
            break
        dll = text(dll_name).upper()
        thunk = at(names or addresses)
        while True:
            entry = struct.unpack_from('<I', data, thunk)[0]
            if entry == 0:
                break
            imports.append((dll, f'#{entry & 0xFFFF}' if entry & 0x80000000 else text(entry + 2)))
            thunk += 4
        descriptor += 20
    return imports, dll_with_tls


def read_table(path):
    table = {}
    for number, line in enumerate(open(path), 1):
        fields = line.split('#', 1)[0].split()
        if not fields:
            continue
        if len(fields) != 4 or not {fields[2], fields[3]} <= {'yes', 'stub', 'no'}:
            raise ValueError(f'{path}:{number}: not a row: {line.strip()}')
        table[(fields[0].upper(), fields[1])] = (fields[2], fields[3])
    return table


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    table = read_table(argv[1])
    failed = False
    for path in argv[2:]:
        imports, dll_with_tls = pe_imports(path)
        imports = [item for item in imports if item[0] not in PRODUCT_DLLS]
        name = path.replace('\\', '/').rsplit('/', 1)[-1]
        problems = ['a thread-local-storage directory, which Windows 95 does not load'] if dll_with_tls else []
        for dll, function in imports:
            nt4, win95 = table.get((dll, function), (None, None))
            if nt4 is None:
                problems.append(f'{dll}!{function}: not in the table')
            elif 'no' in (nt4, win95):
                lacking = [system for system, state in (('NT 4.0', nt4), ('Windows 95', win95))
                           if state == 'no']
                problems.append(f'{dll}!{function}: missing on {" and ".join(lacking)}')
            elif 'stub' in (nt4, win95) and (dll, function) not in ALLOWED_STUBS:
                problems.append(f'{dll}!{function}: a stub on Windows 95, handled nowhere')
        dlls = sorted({dll for dll, _ in imports})
        print(f'{name}: {len(imports)} imports from {", ".join(dlls)}')
        for problem in problems:
            print(f'{name}: FAIL: {problem}')
        for dll, function in imports:
            if (dll, function) in ALLOWED_STUBS:
                print(f'{name}: allowed stub {dll}!{function}: {ALLOWED_STUBS[(dll, function)]}')
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
