#!/usr/bin/python3
"""Checks the winget manifests against the program: the quiet switch it reads, the exit codes it
returns, the version it is built with, and the Apps & Features entry it writes.
  check_winget.py SOURCE_DIR [MANIFEST_DIR INSTALLER]
With a build, the manifests package.sh wrote for it must carry its SHA-256."""
import hashlib, re, sys
from pathlib import Path
import yaml

source, failures = Path(sys.argv[1]), []
read = lambda path: (source / path).read_text(encoding='utf-8')
folder = sys.argv[2] if len(sys.argv) > 3 else 'packaging/winget'
version_file, installer, locale = (yaml.safe_load(read(f'{folder}/Hollowmere.Quillrest{kind}.yaml'))
                                   for kind in ('', '.installer', '.locale.en-US'))
constant = lambda path, pattern: (re.search(pattern, read(path))
                                  or sys.exit(f'{path}: nothing matches {pattern}')).group(1)

# What the program reads, returns and writes, from its own sources.
quiet = constant('app/Role.h', r'kQuietSwitch = "([^"]+)"')
codes = {name: int(code) for name, code in re.findall(r'\{SetupOutcome::(\w+), (\d+)\}', read('install/Setup.cpp'))}
version = constant('CMakeLists.txt', r'project\(Quillrest VERSION ([0-9.]+)')
publisher = constant('app/RegNames.h', r'kPublisherName = "([^"]+)"')
product_code = constant('app/RegNames.h', r'kUninstallKey = "[^"]*\\\\([^"\\]+)"')
quiet_uninstall = constant('install/Install.cpp', r'kQuietUninstallSuffix = "([^"]+)"')
built = hashlib.sha256(Path(sys.argv[3]).read_bytes()).hexdigest().upper() if len(sys.argv) > 3 else None

switches, entries = installer.get('InstallerSwitches', {}), installer.get('Installers', [])
# (what, the manifest's, the program's): each pair must be equal.
checks = [(f'{kind}: {field}', manifest.get(field), expected) for manifest, kind in (
    (version_file, 'version'), (installer, 'installer'), (locale, 'defaultLocale')) for field, expected in (
    ('ManifestType', kind), ('ManifestVersion', version_file.get('ManifestVersion')),
    ('PackageIdentifier', 'Hollowmere.Quillrest'), ('PackageVersion', version))]
checks += [
    ('InstallerType', installer.get('InstallerType'), 'exe'), ('Scope', installer.get('Scope'), 'machine'),
    ('ElevationRequirement', installer.get('ElevationRequirement'), 'elevatesSelf'),
    ('silent switches', (switches.get('Silent'), switches.get('SilentWithProgress')), (quiet, quiet)),
    ('exit codes', {c['InstallerReturnCode']: c['ReturnResponse'] for c in installer.get('ExpectedReturnCodes', ())},
     {codes['Cancelled']: 'cancelledByUser', codes['Failed']: 'contactSupport',
      codes['Busy']: 'installInProgress', codes['RestartNeeded']: 'rebootRequiredToFinish'}),
    ('ProductCode', installer.get('ProductCode'), product_code),
    ('Apps & Features entry', installer.get('AppsAndFeaturesEntries'), [{
        'DisplayName': 'Quillrest', 'Publisher': publisher, 'DisplayVersion': version, 'ProductCode': product_code}]),
    ('Publisher', locale.get('Publisher'), publisher), ('PackageName', locale.get('PackageName'), 'Quillrest'),
    ('installers', [e.get('Architecture') for e in entries], ['x86'])]
checks += [('InstallerSha256 of the build', e.get('InstallerSha256'), built) for e in entries if built]
failures += [f'{what}: the manifest has {got!r}, the program {expected!r}' for what, got, expected in checks
             if got != expected]

if quiet not in quiet_uninstall.split():
    failures.append(f'QuietUninstallString {quiet_uninstall!r} does not carry {quiet!r}')
for url, sha in ((e.get('InstallerUrl'), e.get('InstallerSha256')) for e in entries):
    if not re.fullmatch(r'https://.+/' + re.escape(version) + r'/[^/]+\.exe', str(url or '')):
        failures.append(f'InstallerUrl {url!r} does not name version {version}')
    if not re.fullmatch(r'[0-9A-F]{64}', str(sha or '')):
        failures.append(f'InstallerSha256 {sha!r} is not a SHA-256')

print('\n'.join(failures + ['winget manifests: ' + ('FAILED' if failures else 'match the program')]))
sys.exit(1 if failures else 0)
