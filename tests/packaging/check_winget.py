#!/usr/bin/python3
"""Checks the winget manifests against the program: the quiet switch it reads, the exit codes it
returns, the version it is built with, and the Apps & Features entry it writes.
  check_winget.py SOURCE_DIR [MANIFEST_DIR INSTALLER]
With a build, the manifests package.sh wrote for it must carry its SHA-256."""
import hashlib, os, re, sys
import yaml

source = sys.argv[1]
failures = []


def read(path):
    with open(os.path.join(source, path), encoding='utf-8') as f:
        return f.read()


def constant(path, pattern):
    found = re.search(pattern, read(path))
    return found.group(1) if found else sys.exit(f'{path}: nothing matches {pattern}')


def check(what, got, expected):
    if got != expected:
        failures.append(f'{what}: the manifest has {got!r}, the program {expected!r}')


folder = sys.argv[2] if len(sys.argv) > 3 else 'packaging/winget'
version_file, installer, locale = (yaml.safe_load(read(f'{folder}/Hollowmere.Quillrest{kind}.yaml'))
                                   for kind in ('', '.installer', '.locale.en-US'))

# What the program reads, returns and writes, from its own sources.
quiet = constant('app/Role.h', r'kQuietSwitch = "([^"]+)"')
codes = {name: int(code) for name, code in re.findall(r'\{SetupOutcome::(\w+), (\d+)\}', read('install/Setup.cpp'))}
version = constant('CMakeLists.txt', r'project\(Quillrest VERSION ([0-9.]+)')
publisher = constant('app/RegNames.h', r'kPublisherName = "([^"]+)"')
product_code = constant('app/RegNames.h', r'kUninstallKey = "[^"]*\\\\([^"\\]+)"')
quiet_uninstall = constant('install/Install.cpp', r'kQuietUninstallSuffix = "([^"]+)"')

for manifest, kind in ((version_file, 'version'), (installer, 'installer'), (locale, 'defaultLocale')):
    for field, expected in (('ManifestType', kind), ('ManifestVersion', version_file.get('ManifestVersion')),
                            ('PackageIdentifier', 'Hollowmere.Quillrest'), ('PackageVersion', version)):
        check(f'{kind}: {field}', manifest.get(field), expected)
switches = installer.get('InstallerSwitches', {})
responses = {'Cancelled': 'cancelledByUser', 'Failed': 'contactSupport', 'Busy': 'installInProgress',
             'RestartNeeded': 'rebootRequiredToFinish'}
for field, got, expected in (
        ('InstallerType', installer.get('InstallerType'), 'exe'), ('Scope', installer.get('Scope'), 'machine'),
        ('ElevationRequirement', installer.get('ElevationRequirement'), 'elevatesSelf'),
        ('silent switches', (switches.get('Silent'), switches.get('SilentWithProgress')), (quiet, quiet)),
        ('exit codes', {c['InstallerReturnCode']: c['ReturnResponse'] for c in installer.get('ExpectedReturnCodes', ())},
         {codes[name]: response for name, response in responses.items()}),
        ('ProductCode', installer.get('ProductCode'), product_code),
        ('Apps & Features entry', installer.get('AppsAndFeaturesEntries'), [{
            'DisplayName': 'Quillrest', 'Publisher': publisher, 'DisplayVersion': version, 'ProductCode': product_code}]),
        ('Publisher', locale.get('Publisher'), publisher), ('PackageName', locale.get('PackageName'), 'Quillrest'),
        ('installers', [i.get('Architecture') for i in installer.get('Installers', [])], ['x86'])):
    check(field, got, expected)
if quiet not in quiet_uninstall.split():
    failures.append(f'QuietUninstallString {quiet_uninstall!r} does not carry {quiet!r}')

for entry in installer.get('Installers', []):
    if not re.fullmatch(r'https://.+/' + re.escape(version) + r'/[^/]+\.exe', str(entry.get('InstallerUrl', ''))):
        failures.append(f'InstallerUrl {entry.get("InstallerUrl")!r} does not name version {version}')
    if not re.fullmatch(r'[0-9A-F]{64}', str(entry.get('InstallerSha256', ''))):
        failures.append(f'InstallerSha256 {entry.get("InstallerSha256")!r} is not a SHA-256')
    if len(sys.argv) > 3:
        with open(sys.argv[3], 'rb') as f:
            built = hashlib.sha256(f.read()).hexdigest().upper()
        check('InstallerSha256 of the build', entry.get('InstallerSha256'), built)

print('\n'.join(failures + ['winget manifests: ' + ('FAILED' if failures else 'match the program')]))
sys.exit(1 if failures else 0)
