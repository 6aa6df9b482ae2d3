"""The installer's runs under Wine: what each sets up, what the person does,
and what they must see (the driver's transcript) and what Palm Desktop must
be asked (the stand-in library's log, with the driver's line for each
message box in between)."""
from dataclasses import dataclass, field

FIRST_KEY = 'HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core'
SECOND_KEY = 'HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Palm.exe'

# A registry key that is there but has no "Path" value.
NO_PATH = object()


@dataclass(frozen=True)
class ExpandString:
    """A "Path" value of type REG_EXPAND_SZ instead of REG_SZ."""
    text: str

    def format(self, **names):
        return ExpandString(self.text.format(**names))


@dataclass
class Scenario:
    name: str  # also its directory's name
    transcript: list
    # {app} and {palm} stand for the installer's and the library's directory,
    # each with its last backslash, as the library logs them.
    log: list
    # "Path" at each registry location: a text, where {palm}, {app} and {dir}
    # stand for the scenario's directories, NO_PATH, or None for no key at all.
    hkcu: object = '{palm}'
    hklm: object = None
    variant: str = 'instaide'  # the stand-in put in place as instaide.dll; None for none
    companions: tuple = ()  # further stand-ins that lie beside it
    # Stand-ins planted beside the installer, as a download folder may hold
    # them, and in a working directory of the installer's own; without the
    # latter it starts in its own folder, as a double-click starts it. Each
    # is a path below that folder, ending in the stand-in's name.
    beside_program: tuple = ()
    in_working_directory: tuple = ()
    cfg: bytes = b'user amy\n'
    install_list: bytes = b'a.prc\n'  # None for no File Install List
    steps: tuple = ('enter',)
    language: str = 'C.UTF-8'
    code_page: str = 'cp1252'  # the ANSI code page that language gives
    app_dir: str = None  # the installer's folder; None for the prefix's usual one
    program_name: str = 'TellwickPalmInstall.exe'  # the installer's copy
    palm_dir: str = 'palm'
    shots: dict = field(default_factory=dict)  # driver's picture -> PNG kept
    dpi: int = 96  # the screen's scale: 144 is 150%
    # 'zip' or 'setup', unsigned or 'signed ...': the installer as
    # scripts/package packs the demo payload, instead of the installer and
    # install_list. For a setup {app} stands for the folder it unpacks the
    # installer into.
    package: str = None
    queued: tuple = ()  # files the demo library must have queued below its directory


INSTALL_ERROR = 'Tellwick Installation Error'
SUCCESS_CAPTION = 'Installation Successful'

DIRECTORY_NOT_FOUND = ('Could not find Palm Desktop installation directory. Please make sure you '
                       'have correctly installed Palm Desktop.')
LIBRARY_NOT_FOUND = ('Unabled to find instaide.dll.  Please ensure you have correctly installed '
                     'the Palm Desktop.')
UNUSABLE_LIBRARY = ('Unable to interface with this version of the Palm Desktop.  Please ensure '
                    'that you have correctly installed the latest version of the Palm Desktop.')
SUCCESS = ('Installation to your handheld was a success. The next time you perform a HotSync '
           'operation, the files will be installed on your handheld.')
COUNT_MISSING = ('Unable to access user count. Please make sure Palm Desktop is properly '
                 'installed.')
NO_USERS = 'There are no users to install the Quillmere Tellwick to.'
NAMES_MISSING = ('Unable to access user names. Please make sure Palm Desktop is properly '
                 'installed.')
NAME_NOT_READ = ('An error occured while trying to access user names. Please make sure Palm '
                 'Desktop is properly installed.')
LIST_MISSING = 'Unable to open File Install List for reading.'


def may_be_installed(name):
    return 'The file %s could not be installed.  It may already be installed.' % name


def install_failed(name):
    return ('The file %s could not be installed.  There was an error while trying to install it.'
            % name)


def quoted(text):
    """A text as the driver quotes it."""
    return '"' + ''.join('\\' + c if c in '"\\'
                         else '\\x%02X' % ord(c) if ord(c) < 0x20 or ord(c) == 0x7F
                         else c
                         for c in text) + '"'


# The dialog as Wine builds it from the template: Wine adds WS_VISIBLE when it
# shows the dialog, WS_CLIPSIBLINGS, DS_3DLOOK and the extended styles, and
# gives the combo box's WS_VSCROLL to the list that drops down, which keeps it
# only while it has more entries than the three it shows.
DIALOG = [
    'dialog "Quillmere Tellwick for Palm Installation"',
    '  style WS_POPUP|WS_VISIBLE|WS_CLIPSIBLINGS|WS_CAPTION|WS_SYSMENU|DS_3DLOOK|DS_SETFONT'
    '|DS_MODALFRAME|DS_CENTER',
    '  exstyle WS_EX_DLGMODALFRAME|WS_EX_WINDOWEDGE|WS_EX_CONTROLPARENT',
    '  control 1 Button "OK" WS_CHILD|WS_VISIBLE|WS_TABSTOP|BS_DEFPUSHBUTTON'
    ' exstyle WS_EX_NOPARENTNOTIFY',
    '  control 2 Button "Cancel" WS_CHILD|WS_VISIBLE|WS_TABSTOP|BS_PUSHBUTTON'
    ' exstyle WS_EX_NOPARENTNOTIFY',
    '  control 1002 ComboBox "" WS_CHILD|WS_VISIBLE|WS_TABSTOP|CBS_DROPDOWNLIST|CBS_SORT'
    ' exstyle WS_EX_NOPARENTNOTIFY',
    '  control -1 Static "Select a user and click OK" WS_CHILD|WS_VISIBLE|WS_GROUP|SS_LEFT'
    ' exstyle WS_EX_NOPARENTNOTIFY',
    '  control -1 Static "&Username:" WS_CHILD|WS_VISIBLE|WS_GROUP|SS_LEFT'
    ' exstyle WS_EX_NOPARENTNOTIFY',
    '  control -1 Static icon #103 WS_CHILD|WS_VISIBLE|SS_ICON exstyle WS_EX_NOPARENTNOTIFY',
]
ENTRIES_SHOWN = 3
LIST = ('  list WS_CHILD|WS_CLIPSIBLINGS|WS_BORDER|%sLBS_NOTIFY|LBS_SORT|LBS_HASSTRINGS'
        '|LBS_COMBOBOX exstyle WS_EX_TOOLWINDOW')


def dialog(*entries):
    """The dialog as it shows, listing entries in this order, the first selected."""
    return (DIALOG
            + ['  item %d %s' % (index, quoted(entry)) for index, entry in enumerate(entries)]
            + ['  selection 0 ' + quoted(entries[0]),
               LIST % ('WS_VSCROLL|' if len(entries) > ENTRIES_SHOWN else ''),
               '  focus 1 Button "OK"'])


def message_box(caption, text, icon, dialog_shown):
    return ['messagebox ' + quoted(caption), '  text ' + quoted(text), '  icon ' + icon,
            '  buttons "OK"', '  dialog ' + dialog_shown]


def failure(text, dialog_shown='none'):
    """A failure report; dialog_shown is "hidden" while the dialog is being
    filled, "none" before it was made or after it ended. The failures that
    carry the caption "Application Error" are failures of the list control,
    which Wine's never has."""
    return message_box(INSTALL_ERROR, text, 'exclamation', dialog_shown)


SUCCESS_REPORT = message_box(SUCCESS_CAPTION, SUCCESS, 'information', 'none')
EXIT = ['exit 0']


def users(*names):
    return b''.join(b'user ' + name + b'\n' for name in names)


def filled(count):
    """The log of a library whose users were all listed."""
    return (['attach', 'count -> %d' % count]
            + ['getuser %d size 256 -> 0' % index for index in range(count)])


def installs(user, *names_and_results):
    """Install lines for the file names in the installer's directory, each
    with its result (0 where none is given)."""
    lines = []
    for entry in names_and_results:
        name, result = entry if isinstance(entry, tuple) else (entry, 0)
        lines.append('install %s | {app}%s -> %d' % (user, name, result))
    return lines


def box_logged(caption):
    return 'messagebox ' + caption


# The usual happy ending, as the library's log shows it: freed first, then
# the success report.
SUCCEEDED = ['detach freelibrary', box_logged(SUCCESS_CAPTION)]
ONE_USER_CHOOSES = dialog('amy') + ['step enter']
ONE_USER_INSTALLS_A = filled(1) + installs('amy', 'a.prc') + SUCCEEDED

HELPER_FROM_PALM = ['attach', 'helper {palm}palmhelp.dll']

# Palm Desktop as the demo has it: its library queues each file for the
# user's next HotSync operation by copying it.
DEMO_PALM_DESKTOP = b'mode demo\nuser Alex Quillmere\n'
DEMO_FILES = ('TellwickDemo1.pdb', 'TellwickDemo2.pdb')
DEMO_USER_CHOOSES = dialog('Alex Quillmere') + ['step enter']

# The dialog's picture, the one the documentation shows.
DIALOG_PICTURE = 'user-selection-dialog.png'

COMPOSERS = [b'Tallis', b'Byrd', b'Dowland', b'Purcell', b'Morley', b'Gibbons', b'Weelkes',
             b'Bull', b'Tomkins', b'Campion', b'Ford', b'Jones']
COMPOSERS_SORTED = sorted((name.decode() for name in COMPOSERS), key=str.lower)

SCENARIOS = [
    # How a run can end.
    Scenario('directory-not-found', hkcu=None, steps=(),
             transcript=failure(DIRECTORY_NOT_FOUND) + EXIT,
             log=[box_logged(INSTALL_ERROR)]),
    Scenario('library-not-found', variant=None, steps=(),
             transcript=failure(LIBRARY_NOT_FOUND) + EXIT,
             log=[box_logged(INSTALL_ERROR)]),
    # Reported first, freed after.
    Scenario('no-PltInstallFile', variant='instaide_no_PltInstallFile', steps=(),
             transcript=failure(UNUSABLE_LIBRARY) + EXIT,
             log=['attach', box_logged(INSTALL_ERROR), 'detach freelibrary'],
             shots={'messagebox-1.bmp': 'failure-report.png'}),
    Scenario('success', install_list=b'a.prc\nb.pdb\n',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('amy', 'a.prc', 'b.pdb') + SUCCEEDED),
    Scenario('empty-list', install_list=b'',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
             log=filled(1) + SUCCEEDED),
    Scenario('list-missing', install_list=None,
             transcript=ONE_USER_CHOOSES + failure(LIST_MISSING) + EXIT,
             log=filled(1) + [box_logged(INSTALL_ERROR), 'detach freelibrary']),
    # A refused file is reported and the next one still goes.
    Scenario('refusals', cfg=users(b'amy') + b'install_results -512 1 0\n',
             install_list=b'a.prc\nb.pdb\nc.prc\n',
             transcript=ONE_USER_CHOOSES + failure(may_be_installed('a.prc'))
             + failure(install_failed('b.pdb')) + EXIT,
             log=filled(1) + installs('amy', ('a.prc', -512)) + [box_logged(INSTALL_ERROR)]
             + installs('amy', ('b.pdb', 1)) + [box_logged(INSTALL_ERROR)]
             + installs('amy', 'c.prc') + ['detach freelibrary']),
    Scenario('name-shown-literally', cfg=users(b'amy') + b'install_results 7\n',
             install_list=b'100%s %d %% off.prc\n',
             transcript=ONE_USER_CHOOSES + failure(install_failed('100%s %d %% off.prc')) + EXIT,
             log=filled(1) + installs('amy', ('100%s %d %% off.prc', 7))
             + [box_logged(INSTALL_ERROR), 'detach freelibrary']),

    # The demo payload as a download brings it, unsigned and signed: the ZIP
    # extracted, and the setup, which runs the installer from a folder of its
    # own and removes it.
    *[Scenario('demo-' + kind.replace(' ', '-'), package=kind, program_name=program,
               cfg=DEMO_PALM_DESKTOP, transcript=DEMO_USER_CHOOSES + SUCCESS_REPORT + EXIT,
               log=filled(1) + installs('Alex Quillmere', *DEMO_FILES) + SUCCEEDED,
               queued=tuple('Alex Quillmere/Install/' + name for name in DEMO_FILES))
      for kind, program in (('zip', 'TellwickPalmInstall.exe'),
                            ('setup', 'TellwickPalmSetup.exe'),
                            ('signed zip', 'TellwickPalmInstall.exe'),
                            ('signed setup', 'TellwickPalmSetup.exe'))],

    # Cancelling in each way: no message, nothing installed, the library freed.
    *[Scenario('cancel-by-' + step, steps=(step,),
               transcript=dialog('amy') + ['step ' + step] + EXIT,
               log=filled(1) + ['detach freelibrary'])
      for step in ('cancel', 'escape', 'close')],

    # Where Palm Desktop's directory comes from.
    Scenario('first-key-without-path', hkcu=NO_PATH, hklm='{palm}',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT, log=ONE_USER_INSTALLS_A),
    Scenario('second-key-alone', hkcu=None, hklm='{palm}',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT, log=ONE_USER_INSTALLS_A),
    # The second location, here naming a directory that does not exist, is
    # not consulted once the first gave a directory.
    Scenario('first-key-wins', hkcu='{palm}', hklm='{dir}\\nowhere',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT, log=ONE_USER_INSTALLS_A),
    # The first location's directory is used even where it holds no library.
    Scenario('first-key-wins-without-library', hkcu='{dir}\\nowhere', hklm='{palm}', steps=(),
             transcript=failure(LIBRARY_NOT_FOUND) + EXIT, log=[box_logged(INSTALL_ERROR)]),
    Scenario('both-keys-without-path', hkcu=NO_PATH, hklm=NO_PATH, steps=(),
             transcript=failure(DIRECTORY_NOT_FOUND) + EXIT, log=[box_logged(INSTALL_ERROR)]),
    # A relative directory is never loaded from, not even where the working
    # directory, here the installer's own folder, holds a library under it.
    Scenario('relative-path-refused', hkcu='palm', variant=None,
             beside_program=('palm/instaide',), steps=(),
             transcript=failure(LIBRARY_NOT_FOUND) + EXIT, log=[box_logged(INSTALL_ERROR)]),
    Scenario('path-ending-in-backslash', hkcu='{palm}\\',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT, log=ONE_USER_INSTALLS_A),
    # The value's type is not looked at and nothing in it is expanded: the
    # directory's name really is "%SystemDrive%".
    Scenario('path-not-expanded', palm_dir='%SystemDrive%', hkcu=ExpandString('{palm}'),
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT, log=ONE_USER_INSTALLS_A),
    # The library loads with what lies beside it.
    Scenario('library-with-sibling', variant='instaide_with_sibling',
             companions=('instaide_sibling',),
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT, log=ONE_USER_INSTALLS_A),

    # The library's own DLLs, which it loads by bare name while it runs, come
    # from Palm Desktop's directory, never from where the installer was saved
    # or started.
    *[Scenario('helper-' + name, variant='instaide_loads_helper', companions=('palmhelp',),
               beside_program=beside_program, in_working_directory=in_working_directory,
               transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
               log=HELPER_FROM_PALM + filled(1)[1:] + installs('amy', 'a.prc') + SUCCEEDED)
      for name, beside_program, in_working_directory in (
          ('beside-library', (), ()),
          ('planted-beside-program', ('palmhelp',), ()),
          ('planted-in-working-directory', (), ('palmhelp',)))],
    # Found through Palm Desktop's directory named in code page 932, whose
    # second byte of \u8868 is a backslash.
    Scenario('helper-code-page-932', language='ja_JP.UTF-8', code_page='cp932', palm_dir='\u8868',
             variant='instaide_loads_helper', companions=('palmhelp',),
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
             log=HELPER_FROM_PALM + filled(1)[1:] + installs('amy', 'a.prc') + SUCCEEDED),
    Scenario('helper-planted-only', variant='instaide_loads_helper',
             beside_program=('palmhelp',), in_working_directory=('palmhelp',), steps=(),
             transcript=failure(NO_USERS, dialog_shown='hidden') + EXIT,
             log=['attach', 'helper not found', box_logged(INSTALL_ERROR), 'detach freelibrary']),

    # Filling the list.
    Scenario('sorted-filling', cfg=users(b'Zed', b'amy', b'Bob'), steps=('ok',),
             transcript=dialog('amy', 'Bob', 'Zed') + ['step ok'] + SUCCESS_REPORT + EXIT,
             log=filled(3) + installs('amy', 'a.prc') + SUCCEEDED),
    Scenario('pick-another', cfg=users(b'Zed', b'amy', b'Bob'), steps=('pick:2', 'enter'),
             transcript=dialog('amy', 'Bob', 'Zed') + ['step pick:2', '  selection 2 "Zed"',
                                                       'step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(3) + installs('Zed', 'a.prc') + SUCCEEDED),
    Scenario('many-users', cfg=users(*COMPOSERS), steps=('pick:9', 'enter'),
             transcript=dialog(*COMPOSERS_SORTED) + ['step pick:9', '  selection 9 "Tallis"',
                                                     'step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(12) + installs('Tallis', 'a.prc') + SUCCEEDED,
             shots={'dialog.bmp': DIALOG_PICTURE, 'dialog-list.bmp': 'user-selection-list.png'}),
    # At 150% the dialog is laid out anew, larger, from its template.
    Scenario('dialog-at-150-percent', cfg=users(*COMPOSERS), dpi=144,
             transcript=dialog(*COMPOSERS_SORTED) + ['step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(12) + installs('Bull', 'a.prc') + SUCCEEDED,
             shots={'dialog.bmp': 'user-selection-dialog-150-percent.png'}),
    Scenario('size-given-each-time', cfg=users(b'amy', b'Bob', b'Cy') + b'changes_size\n',
             steps=('ok',),
             transcript=dialog('amy', 'Bob', 'Cy') + ['step ok'] + SUCCESS_REPORT + EXIT,
             log=filled(3) + installs('amy', 'a.prc') + SUCCEEDED),
    # Names are bytes in the ANSI code page, handed back unchanged.
    Scenario('name-bytes', cfg=users(b'J\\xF6rg'),
             transcript=dialog('J\u00f6rg') + ['step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('J\\xF6rg', 'a.prc') + SUCCEEDED),
    Scenario('longest-name', cfg=users(b'n' * 255),
             transcript=dialog('n' * 255) + ['step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('n' * 255, 'a.prc') + SUCCEEDED),
    Scenario('empty-name', cfg=users(b'', b'amy'),
             transcript=dialog('', 'amy') + ['step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(2) + installs('', 'a.prc') + SUCCEEDED),
    Scenario('name-ends-at-zero-byte', cfg=users(b'amy\\x00rest'),
             transcript=dialog('amy') + ['step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('amy', 'a.prc') + SUCCEEDED),
    # A name that fills the whole buffer has no room for its end: it is not
    # listed cut short, where it could name another user.
    Scenario('name-too-long', cfg=users(b'n' * 256), steps=(),
             transcript=failure(NAME_NOT_READ, dialog_shown='hidden') + EXIT,
             log=['attach', 'count -> 1', 'getuser 0 size 256 -> 0', box_logged(INSTALL_ERROR),
                  'detach freelibrary']),

    # Each way the dialog fails before it shows: one report, hidden dialog.
    Scenario('no-PltGetUserCount', variant='instaide_no_PltGetUserCount', steps=(),
             transcript=failure(COUNT_MISSING, dialog_shown='hidden') + EXIT,
             log=['attach', box_logged(INSTALL_ERROR), 'detach freelibrary']),
    *[Scenario('count-' + count, cfg=users(b'amy') + b'count ' + count.encode() + b'\n', steps=(),
               transcript=failure(NO_USERS, dialog_shown='hidden') + EXIT,
               log=['attach', 'count -> ' + count, box_logged(INSTALL_ERROR),
                    'detach freelibrary'])
      for count in ('0', '-3')],
    # PltGetUser is not even looked up without users.
    Scenario('count-0-without-PltGetUser', variant='instaide_no_PltGetUser', cfg=b'count 0\n',
             steps=(),
             transcript=failure(NO_USERS, dialog_shown='hidden') + EXIT,
             log=['attach', 'count -> 0', box_logged(INSTALL_ERROR), 'detach freelibrary']),
    Scenario('no-PltGetUser', variant='instaide_no_PltGetUser', cfg=users(b'amy', b'Bob'),
             steps=(),
             transcript=failure(NAMES_MISSING, dialog_shown='hidden') + EXIT,
             log=['attach', 'count -> 2', box_logged(INSTALL_ERROR), 'detach freelibrary']),
    Scenario('getuser-fails-at-2-of-5', steps=(),
             cfg=users(b'a', b'b', b'c', b'd', b'e') + b'getuser_fails_at 2\n',
             transcript=failure(NAME_NOT_READ, dialog_shown='hidden') + EXIT,
             log=['attach', 'count -> 5', 'getuser 0 size 256 -> 0', 'getuser 1 size 256 -> 0',
                  'getuser 2 size 256 -> -1', box_logged(INSTALL_ERROR), 'detach freelibrary']),

    # How the File Install List's bytes become requests.
    *[Scenario('line-breaks-' + kind, install_list=data,
               transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
               log=filled(1) + installs('amy', 'a.prc', 'b.pdb') + SUCCEEDED)
      for kind, data in (('lf', b'a.prc\nb.pdb'), ('crlf', b'a.prc\r\nb.pdb\r\n'))],
    Scenario('lone-cr-kept', install_list=b'a.prc\rb.pdb\r\nc.prc\r',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('amy', 'a.prc\\x0Db.pdb', 'c.prc\\x0D') + SUCCEEDED),
    Scenario('end-of-file-byte', install_list=b'a.prc\r\n\x1ab.pdb\r\n',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('amy', 'a.prc') + SUCCEEDED),
    # The empty line asks for the bare directory, and its refusal names nothing.
    Scenario('empty-line', cfg=users(b'amy') + b'install_results 0 1 0\n',
             install_list=b'a.prc\n\nb.pdb\n',
             transcript=ONE_USER_CHOOSES + failure(install_failed('')) + EXIT,
             log=filled(1) + installs('amy', 'a.prc', ('', 1)) + [box_logged(INSTALL_ERROR)]
             + installs('amy', 'b.pdb') + ['detach freelibrary']),
    Scenario('zero-bytes', install_list=b'\x00skip.prc\na.prc\x00rest\nb.pdb\n',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('amy', 'a.prc', 'b.pdb') + SUCCEEDED),
    Scenario('nothing-trimmed', install_list=b'\xef\xbb\xbfa.prc\n b.pdb\t\n',
             transcript=ONE_USER_CHOOSES + SUCCESS_REPORT + EXIT,
             log=filled(1) + installs('amy', '\\xEF\\xBB\\xBFa.prc', ' b.pdb\\x09') + SUCCEEDED),

    # Code page 932, where the second byte of \u8868 is 0x5C, a backslash:
    # with the character in the installer's own name, only the true last
    # separator ends its directory; in the directory's name, it is passed on
    # unchanged. A user's name in the same code page travels unchanged too.
    Scenario('code-page-932', language='ja_JP.UTF-8', code_page='cp932', app_dir='\u8868',
             program_name='Tellwick\u8868.exe',
             cfg=users(b'\\x95\\x5C', b'amy'), install_list=b'a.prc\r\nb.pdb\r\n',
             steps=('pick:1', 'enter'),
             transcript=dialog('amy', '\u8868') + ['step pick:1', '  selection 1 "\u8868"',
                                                   'step enter'] + SUCCESS_REPORT + EXIT,
             log=filled(2) + installs('\\x95\\\\', 'a.prc', 'b.pdb') + SUCCEEDED),
]
