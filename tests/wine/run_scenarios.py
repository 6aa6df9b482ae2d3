#!/usr/bin/python3
"""Runs the installer under Wine through every scenario of scenarios.py.

    in-wine-session ARCH PREFIX run_scenarios.py BUILD_DIR [--update-docs] [NAME ...]

It runs in a Wine session of scripts/in-wine-session, which CTest starts
with a fresh prefix for each run: win32, or win64, where the installer runs
under WoW64 as on most PCs today. BUILD_DIR is the Windows build. Each
scenario gets directories of its own in the prefix's drive C: its registry
values, a Palm directory with a stand-in library and its instaide.cfg, and a
copy of the installer with its File Install List, or the demo payload as
scripts/package packs it, unsigned and signed (tests/package/pack_demo.py,
run first), extracted from the ZIP or in its setup. In the 64-bit prefix Palm Desktop lies under "Program Files
(x86)" and the installer in a folder whose name has spaces and parentheses.
The driver then works the installer, and its transcript and the library's
log are compared with the scenario's. NAMEs run only those scenarios.
--update-docs copies the dialog's picture into docs/.

Prints one line per scenario, a diff for each that failed, and a closing
line "N passed, M failed"; exits non-zero when any failed.
"""
import argparse
import difflib
import filecmp
import os
import pwd
import re
import shutil
import subprocess
import sys
import time
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.append(os.path.join(REPOSITORY, 'packaging'))
import package  # noqa: E402
import scenarios  # noqa: E402

# The driver gives up after 20 seconds by itself; this only catches a driver
# or a Wine that hangs.
SCENARIO_LIMIT = 60
COMMAND_LIMIT = 120


class Wine:
    """The session's Wine prefix, as scripts/in-wine-session left it."""

    def __init__(self):
        self.prefix = os.environ['WINEPREFIX']
        self.arch = os.environ['WINEARCH']
        self.environment = {name: value for name, value in os.environ.items()
                            if not name.startswith(('LC_', 'LANG'))}
        self.environment['LANG'] = 'C.UTF-8'

    def restart_server(self):
        """After a hang: ends every process of this prefix, all of them ours."""
        self.run(['wineserver', '-k'], check=False)
        self.run(['wineserver', '-p'])

    def run(self, command, check=True):
        return subprocess.run(command, env=self.environment, check=check, timeout=COMMAND_LIMIT,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def language_environment(self, language):
        return dict(self.environment, LANG=language)

    def drive_c(self, *parts):
        return os.path.join(self.prefix, 'drive_c', *parts)

    def temporary_folder(self):
        """The user's %TEMP%, named after the Unix user as Wine names it."""
        return self.drive_c('users', pwd.getpwuid(os.getuid()).pw_name, 'Temp')

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


def registry_keys(scenario, names):
    """The .reg keys that set the screen's scale and the first location's
    "Path", and remove both locations."""
    keys = [('-' + scenarios.FIRST_KEY,), ('-' + scenarios.SECOND_KEY,),
            ('HKEY_CURRENT_USER\\Control Panel\\Desktop', '"LogPixels"=dword:%08x' % scenario.dpi)]
    value = scenario.hkcu
    if value is scenarios.NO_PATH:
        keys.append((scenarios.FIRST_KEY,))
    elif isinstance(value, scenarios.ExpandString):
        data = (value.text.format(**names) + '\0').encode('utf-16-le')
        keys.append((scenarios.FIRST_KEY,
                     '"Path"=hex(2):' + ','.join('%02x' % byte for byte in data)))
    elif value is not None:
        text = value.format(**names)
        keys.append((scenarios.FIRST_KEY,
                     '"Path"="' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'))
    return keys


def app_paths_command(scenario, names):
    """The reg command that writes the second location, as the installer of a
    32-bit Palm Desktop writes it on 64-bit Windows: in the 32-bit view only."""
    command = ['wine', 'reg', 'add', scenarios.SECOND_KEY, '/reg:32', '/f']
    if scenario.hklm is not scenarios.NO_PATH:
        command += ['/v', 'Path', '/d', scenario.hklm.format(**names)]
    return command


def log_escaped(data):
    """Bytes as the stand-in library writes them into its log."""
    return ''.join('\\\\' if byte == 0x5C
                   else chr(byte) if 0x20 <= byte <= 0x7E
                   else '\\x%02X' % byte
                   for byte in data)


# Where each prefix lays out a scenario inside drive C: Palm Desktop's
# directories, and the installer's folder where the scenario names none.
LAYOUTS = {
    'win32': ('s\\{name}', 'app'),
    'win64': ('Program Files (x86)\\Palm\\{name}', 'Tellwick Install (2)'),
}


class Runner:
    def __init__(self, build, wine, screenshots):
        self.wine = wine
        self.screenshots = screenshots
        self.palm_parent, self.app_dir = LAYOUTS[wine.arch]
        # Made by tests/package/pack_demo.py, which CTest runs first.
        packages = os.path.join(build, 'tests', 'wine', 'packages')
        self.packages = {}
        for signed, folder in (('', packages), ('signed ', os.path.join(packages, 'signed'))):
            self.packages[signed + 'zip'] = os.path.join(folder, package.ZIP_NAME)
            self.packages[signed + 'setup'] = os.path.join(folder, package.SETUP_NAME)
        self.installer = os.path.join(build, 'TellwickPalmInstall.exe')
        self.driver = os.path.join(build, 'tests', 'wine', 'driver', 'driver.exe')
        self.stand_ins = os.path.join(build, 'tests', 'wine', 'instaide')

    def prepare(self, scenario):
        """Lays out the scenario's directories; returns them by name."""
        root = self.wine.drive_c('s', scenario.name)
        app = os.path.join(root, scenario.app_dir or self.app_dir)
        palm = os.path.join(self.wine.drive_c(*self.palm_parent.format(name=scenario.name)
                                              .split('\\')), scenario.palm_dir)
        shots = os.path.join(root, 'shots')
        working = os.path.join(root, 'working')
        for directory in (app, palm, shots, working):
            if os.path.exists(directory):
                shutil.rmtree(directory)
            os.makedirs(directory)
        if scenario.package in ('zip', 'signed zip'):
            with zipfile.ZipFile(self.packages[scenario.package]) as archive:
                archive.extractall(app)
            app = os.path.join(app, package.TOP_FOLDER)
        elif scenario.package in ('setup', 'signed setup'):
            shutil.copy(self.packages[scenario.package],
                        os.path.join(app, scenario.program_name))
        else:
            shutil.copy(self.installer, os.path.join(app, scenario.program_name))
        for place, planted in ((app, scenario.beside_program),
                               (working, scenario.in_working_directory)):
            for path in planted:
                os.makedirs(os.path.dirname(os.path.join(place, path)), exist_ok=True)
                shutil.copy(os.path.join(self.stand_ins, os.path.basename(path) + '.dll'),
                            os.path.join(place, path + '.dll'))
        if scenario.install_list is not None and scenario.package is None:
            with open(os.path.join(app, 'TellwickPalm Files.txt'), 'wb') as install_list:
                install_list.write(scenario.install_list)
        if scenario.variant:
            shutil.copy(os.path.join(self.stand_ins, scenario.variant + '.dll'),
                        os.path.join(palm, 'instaide.dll'))
            for companion in scenario.companions:
                shutil.copy(os.path.join(self.stand_ins, companion + '.dll'), palm)
        with open(os.path.join(palm, 'instaide.cfg'), 'wb') as cfg:
            cfg.write(scenario.cfg)
        return {'dir': root, 'app': app, 'palm': palm, 'shots': shots, 'working': working}

    def run(self, scenario):
        """Runs one scenario; returns the differences found, empty when it passed."""
        root = self.wine.drive_c('s', scenario.name)
        if os.path.exists(root):
            shutil.rmtree(root)
        places = self.prepare(scenario)
        paths = {name: windows_path(self.wine, place) for name, place in places.items()}
        self.wine.import_registry(os.path.join(root, 'registry.reg'),
                                  registry_keys(scenario, paths))
        if scenario.hklm is not None:
            self.wine.run(app_paths_command(scenario, paths))
        log_path = os.path.join(places['palm'], 'instaide.log')
        command = ['wine', self.driver, '--log', paths['palm'] + '\\instaide.log']
        if scenario.shots:
            command += ['--shots', paths['shots']]
        if scenario.in_working_directory:
            command += ['--directory', paths['working']]
        command += [paths['app'] + '\\' + scenario.program_name] + list(scenario.steps)
        temporary = self.wine.temporary_folder()
        temporary_before = sorted(os.listdir(temporary))
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
        if scenario.package in ('setup', 'signed setup'):
            logged['{app}'] = '{unpacked}'
        expected_log = []
        for line in scenario.log:
            for placeholder, path in logged.items():
                line = line.replace(placeholder, path)
            expected_log.append(line)
        # The folder a setup unpacks into is named anew each time.
        unpacked = re.escape(log_escaped((windows_path(self.wine, temporary) + '\\').encode()))
        log = [re.sub(unpacked + r'ns\w+\.tmp\\\\', '{unpacked}', line) for line in log]
        problems = []
        if driver.returncode != 0:
            problems.append('the driver ended with %d' % driver.returncode)
        for what, expected, actual in (('transcript', scenario.transcript, transcript),
                                       ('library log', expected_log, log)):
            if expected != actual:
                problems += difflib.unified_diff(expected, actual, 'expected ' + what,
                                                 'actual ' + what, lineterm='')
        left_behind = sorted(set(os.listdir(temporary)) - set(temporary_before))
        if left_behind:
            problems.append('left behind in the temporary folder: ' + ', '.join(left_behind))
        for queued in scenario.queued:
            copy = os.path.join(places['palm'], *queued.split('/'))
            original = os.path.join(REPOSITORY, 'demo', 'payload', os.path.basename(copy))
            if not os.path.exists(copy):
                problems.append('not queued: ' + queued)
            elif not filecmp.cmp(copy, original, shallow=False):
                problems.append('queued, but not the same file: ' + queued)
        for picture, name in scenario.shots.items():
            source = os.path.join(places['shots'], picture)
            if os.path.exists(source):
                subprocess.run(['/usr/bin/convert', source, os.path.join(self.screenshots, name)],
                               check=True)
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

    wine = Wine()
    screenshots = os.path.join(build, 'tests', 'wine', 'screenshots', wine.arch)
    os.makedirs(screenshots, exist_ok=True)
    runner = Runner(build, wine, screenshots)
    for needed in (runner.installer, runner.driver):
        if not os.path.exists(needed):
            sys.exit('missing ' + needed + ': build the Windows build first')
    if any(scenario.package for scenario in chosen):
        for needed in runner.packages.values():
            if not os.path.exists(needed):
                sys.exit('missing ' + needed + ': run tests/package/pack_demo.py first')

    started = time.monotonic()
    passed = failed = 0
    for scenario in chosen:
        began = time.monotonic()
        problems = runner.run(scenario)
        verdict = 'FAIL' if problems else 'pass'
        print('%s  %-40s %5.1f s' % (verdict, scenario.name, time.monotonic() - began), flush=True)
        for line in problems:
            print('      ' + line)
        if problems:
            failed += 1
        else:
            passed += 1

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
