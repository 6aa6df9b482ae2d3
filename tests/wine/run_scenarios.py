#!/usr/bin/python3
"""Runs the installer under Wine through every scenario of scenarios.py.

    run_scenarios.py BUILD_DIR [--update-docs] [NAME ...]

BUILD_DIR is the Windows build. One fresh 32-bit Wine prefix is made inside
it for the whole run, with one wineserver kept alive throughout, and Xvfb is
started when no display is set. Each scenario gets directories of its own in
the prefix's drive C: its registry values, a Palm directory with a stand-in
library and its instaide.cfg, and a copy of the installer with its File
Install List. The driver then works the installer, and its transcript and
the library's log are compared with the scenario's. NAMEs run only those
scenarios. --update-docs copies the dialog's picture into docs/.

Prints one line per scenario, a diff for each that failed, and a closing
line "N passed, M failed"; exits non-zero when any failed.
"""
import argparse
import difflib
import os
import shutil
import struct
import subprocess
import sys
import time
import zlib

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import scenarios  # noqa: E402

REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The driver gives up after 20 seconds by itself; this only catches a driver
# or a Wine that hangs.
SCENARIO_LIMIT = 60
SETUP_LIMIT = 120
WINE_FONTS = '/usr/share/wine/fonts'


class Wine:
    """One Wine prefix, its wineserver and, when needed, an Xvfb display."""

    def __init__(self, work):
        self.prefix = os.path.join(work, 'prefix')
        self.xvfb = None
        self.environment = {name: value for name, value in os.environ.items()
                            if not name.startswith(('LC_', 'LANG', 'WINE'))}
        self.environment.update(WINEPREFIX=self.prefix, WINEARCH='win32', WINEDEBUG='-all',
                                LANG='C.UTF-8',
                                # Neither .NET nor a web browser is used; without this
                                # the prefix's creation offers to download them.
                                WINEDLLOVERRIDES='mscoree,mshtml=')
        self.locales = os.path.join(work, 'locale')
        self.installed_locales = None

    def start(self):
        if 'DISPLAY' not in self.environment:
            self.start_xvfb()
        if os.path.exists(self.prefix):
            self.run(['wineserver', '-k'], check=False)
            shutil.rmtree(self.prefix)
        os.makedirs(self.prefix)
        self.run(['wineserver', '-p'])
        self.run(['wineboot', '--init'])
        # Wine's own fonts (Debian's fonts-wine) are not put into a new prefix
        # by themselves; without them the dialog is drawn in another font
        # than its "MS Sans Serif", and its caption buttons without Marlett.
        if os.path.isdir(WINE_FONTS):
            for font in os.listdir(WINE_FONTS):
                shutil.copy(os.path.join(WINE_FONTS, font), self.drive_c('windows', 'Fonts'))
        self.import_registry(self.drive_c('setup.reg'), [
            # A window manager would be asked to close every captioned window,
            # and without one each close waits two seconds for it.
            ('HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver', '"Managed"="N"'),
            # A crash must end the installer, not wait in a dialog.
            ('HKEY_CURRENT_USER\\Software\\Wine\\WineDbg', '"ShowCrashDialog"=dword:00000000'),
        ])

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ['Xvfb', '-displayfd', str(write_end), '-screen', '0', '1024x768x24',
             '-nolisten', 'tcp'],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as announced:
            display = announced.readline().strip()
        if not display:
            raise RuntimeError('Xvfb did not start')
        self.environment['DISPLAY'] = ':' + display

    def stop(self):
        self.run(['wineserver', '-k'], check=False)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()

    def restart_server(self):
        """After a hang: ends every process of this prefix, all of them ours."""
        self.run(['wineserver', '-k'], check=False)
        self.run(['wineserver', '-p'])

    def run(self, command, check=True):
        return subprocess.run(command, env=self.environment, check=check, timeout=SETUP_LIMIT,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def language_environment(self, language):
        environment = dict(self.environment, LANG=language)
        if not self.has_locale(language):
            environment['LOCPATH'] = self.compile_locale(language)
        return environment

    def has_locale(self, language):
        if self.installed_locales is None:
            self.installed_locales = subprocess.run(['locale', '-a'], capture_output=True,
                                                    text=True).stdout.split()
        wanted = language.lower().replace('-', '')
        return any(name.lower().replace('-', '') == wanted for name in self.installed_locales)

    def compile_locale(self, language):
        """Builds a locale the system lacks into the work directory, from
        the definitions that Debian's locales package installs."""
        target = os.path.join(self.locales, language)
        if not os.path.isdir(target):
            name, charmap = language.split('.')
            os.makedirs(self.locales, exist_ok=True)
            subprocess.run(['localedef', '-i', name, '-f', charmap, target], check=True,
                           stdout=subprocess.DEVNULL)
        return self.locales

    def drive_c(self, *parts):
        return os.path.join(self.prefix, 'drive_c', *parts)

    def import_registry(self, path, keys):
        """Writes keys, each (name, value lines...), to a .reg file and imports it."""
        lines = ['Windows Registry Editor Version 5.00', '']
        for key, *values in keys:
            lines.append('[' + key + ']')
            lines.extend(values)
            lines.append('')
        with open(path, 'w', encoding='utf-16', newline='\r\n') as reg:
            reg.write('\n'.join(lines) + '\n')
        self.run(['wine', 'regedit', '/S', windows_path(self, path)])


def windows_path(wine, path):
    """The name Wine's programs use for a file inside the prefix's drive C."""
    relative = os.path.relpath(path, wine.drive_c())
    return 'C:\\' + relative.replace('/', '\\')


def registry_value_line(value):
    if isinstance(value, scenarios.ExpandString):
        data = (value.text + '\0').encode('utf-16-le')
        return '"Path"=hex(2):' + ','.join('%02x' % byte for byte in data)
    return '"Path"="' + value.replace('\\', '\\\\').replace('"', '\\"') + '"'


def registry_keys(scenario, names):
    keys = []
    for key, value in ((scenarios.FIRST_KEY, scenario.hkcu), (scenarios.SECOND_KEY, scenario.hklm)):
        keys.append(('-' + key,))
        if value is scenarios.NO_PATH:
            keys.append((key,))
        elif value is not None:
            keys.append((key, registry_value_line(value.format(**names))))
    return keys


def log_escaped(data):
    """Bytes as the stand-in library writes them into its log."""
    return ''.join('\\\\' if byte == 0x5C
                   else chr(byte) if 0x20 <= byte <= 0x7E
                   else '\\x%02X' % byte
                   for byte in data)


def bmp_to_png(source, target):
    """Converts the driver's 32-bit BMP files."""
    with open(source, 'rb') as bmp:
        data = bmp.read()
    offset, = struct.unpack_from('<I', data, 10)
    width, height, _, bits = struct.unpack_from('<iiHH', data, 18)
    if bits != 32:
        raise ValueError(source + ': not a 32-bit BMP')
    rows = []
    for y in range(abs(height)):
        row = y if height < 0 else abs(height) - 1 - y
        pixels = data[offset + row * width * 4: offset + (row + 1) * width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3] = pixels[2::4]
        rgb[1::3] = pixels[1::4]
        rgb[2::3] = pixels[0::4]
        rows.append(b'\0' + bytes(rgb))

    def chunk(kind, body):
        checksum = zlib.crc32(kind + body)
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', checksum)

    with open(target, 'wb') as png:
        png.write(b'\x89PNG\r\n\x1a\n'
                  + chunk(b'IHDR', struct.pack('>IIBBBBB', width, abs(height), 8, 2, 0, 0, 0))
                  + chunk(b'IDAT', zlib.compress(b''.join(rows), 9))
                  + chunk(b'IEND', b''))


class Runner:
    def __init__(self, build, wine, screenshots):
        self.wine = wine
        self.screenshots = screenshots
        self.installer = os.path.join(build, 'TellwickPalmInstall.exe')
        self.driver = os.path.join(build, 'tests', 'wine', 'driver', 'driver.exe')
        self.stand_ins = os.path.join(build, 'tests', 'wine', 'instaide')

    def prepare(self, scenario):
        """Lays out the scenario's directories; returns the Windows paths."""
        root = self.wine.drive_c('s', scenario.name)
        app = os.path.join(root, scenario.app_dir)
        palm = os.path.join(root, scenario.palm_dir)
        shots = os.path.join(root, 'shots')
        working = os.path.join(root, 'working')
        for directory in (app, palm, shots, working):
            os.makedirs(directory)
        shutil.copy(self.installer, os.path.join(app, scenario.program_name))
        for place, planted in ((app, scenario.beside_program),
                               (working, scenario.in_working_directory)):
            for stand_in in planted:
                shutil.copy(os.path.join(self.stand_ins, stand_in + '.dll'), place)
        if scenario.install_list is not None:
            with open(os.path.join(app, 'TellwickPalm Files.txt'), 'wb') as install_list:
                install_list.write(scenario.install_list)
        if scenario.variant:
            shutil.copy(os.path.join(self.stand_ins, scenario.variant + '.dll'),
                        os.path.join(palm, 'instaide.dll'))
            for companion in scenario.companions:
                shutil.copy(os.path.join(self.stand_ins, companion + '.dll'), palm)
        with open(os.path.join(palm, 'instaide.cfg'), 'wb') as cfg:
            cfg.write(scenario.cfg)
        return {name: windows_path(self.wine, path)
                for name, path in (('dir', root), ('app', app), ('palm', palm), ('shots', shots),
                                   ('working', working))}

    def run(self, scenario):
        """Runs one scenario; returns the differences found, empty when it passed."""
        root = self.wine.drive_c('s', scenario.name)
        if os.path.exists(root):
            shutil.rmtree(root)
        paths = self.prepare(scenario)
        self.wine.import_registry(os.path.join(root, 'registry.reg'),
                                  registry_keys(scenario, paths))
        log_path = os.path.join(root, scenario.palm_dir, 'instaide.log')
        command = ['wine', self.driver, '--log', paths['palm'] + '\\instaide.log']
        if scenario.shots:
            command += ['--shots', paths['shots']]
        if scenario.in_working_directory:
            command += ['--directory', paths['working']]
        command += [paths['app'] + '\\' + scenario.program_name] + list(scenario.steps)
        try:
            driver = subprocess.run(command, env=self.wine.language_environment(scenario.language),
                                    capture_output=True, timeout=SCENARIO_LIMIT)
            transcript = driver.stdout.decode('utf-8', 'replace').splitlines()
        except subprocess.TimeoutExpired:
            self.wine.restart_server()
            return ['the driver did not end within %d seconds' % SCENARIO_LIMIT]
        log = []
        if os.path.exists(log_path):
            with open(log_path, 'rb') as log_file:
                log = log_file.read().decode('latin-1').splitlines()

        logged = {'{' + name + '}': log_escaped((paths[name] + '\\').encode(scenario.code_page))
                  for name in ('app', 'palm')}
        expected_log = []
        for line in scenario.log:
            for placeholder, path in logged.items():
                line = line.replace(placeholder, path)
            expected_log.append(line)
        problems = []
        if driver.returncode != 0:
            problems.append('the driver ended with %d' % driver.returncode)
        for what, expected, actual in (('transcript', scenario.transcript, transcript),
                                       ('library log', expected_log, log)):
            if expected != actual:
                problems += difflib.unified_diff(expected, actual, 'expected ' + what,
                                                 'actual ' + what, lineterm='')
        for picture, name in scenario.shots.items():
            source = os.path.join(root, 'shots', picture)
            if os.path.exists(source):
                bmp_to_png(source, os.path.join(self.screenshots, name))
            else:
                problems.append('no picture ' + picture)
        return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('build', help='the Windows build directory')
    parser.add_argument('--update-docs', action='store_true',
                        help='copy the dialog picture to docs/user-selection-dialog.png')
    parser.add_argument('names', nargs='*', help='run only these scenarios')
    arguments = parser.parse_intermixed_args()

    build = os.path.abspath(arguments.build)
    chosen = [s for s in scenarios.SCENARIOS if not arguments.names or s.name in arguments.names]
    unknown = set(arguments.names) - {s.name for s in scenarios.SCENARIOS}
    if unknown:
        sys.exit('no such scenario: ' + ', '.join(sorted(unknown)))

    work = os.path.join(build, 'tests', 'wine', 'run')
    screenshots = os.path.join(build, 'tests', 'wine', 'screenshots')
    os.makedirs(screenshots, exist_ok=True)
    wine = Wine(work)
    runner = Runner(build, wine, screenshots)
    for needed in (runner.installer, runner.driver):
        if not os.path.exists(needed):
            sys.exit('missing ' + needed + ': build the Windows build first')

    started = time.monotonic()
    passed = failed = 0
    try:
        wine.start()
        print('wine prefix ready in %.1f s' % (time.monotonic() - started), flush=True)
        for scenario in chosen:
            began = time.monotonic()
            problems = runner.run(scenario)
            verdict = 'FAIL' if problems else 'pass'
            print('%s  %-40s %5.1f s' % (verdict, scenario.name, time.monotonic() - began),
                  flush=True)
            for line in problems:
                print('      ' + line)
            if problems:
                failed += 1
            else:
                passed += 1
    finally:
        wine.stop()

    if arguments.update_docs:
        picture = os.path.join(screenshots, scenarios.DIALOG_PICTURE)
        if failed or not os.path.exists(picture):
            sys.exit('docs/ not updated: the run failed or took no picture of the dialog')
        os.makedirs(os.path.join(REPOSITORY, 'docs'), exist_ok=True)
        shutil.copy(picture, os.path.join(REPOSITORY, 'docs', 'user-selection-dialog.png'))
    print('took %.0f s' % (time.monotonic() - started))
    print('%d passed, %d failed' % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
