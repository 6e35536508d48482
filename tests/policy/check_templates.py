#!/usr/bin/python3
"""The administrative templates against the program's own table of policy values (app/Policy.cpp):
every policy of policy/Quillrest.admx writes, under the program's policy key, a value name the program
reads as a policy, with the kind it reads (a number with the same range); every policy value the program
reads has its policy; every string and presentation the ADMX names is in the ADML; "supported on" and
the category are the template's own; no combo boxes or drop-down lists (Intune's template import
refuses them).  Usage: check_templates.py <source root>"""
import re, sys
import xml.etree.ElementTree as ET
from pathlib import Path

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
root, errors = Path(sys.argv[1]), []

# {value name: (kind, minimum, maximum)} and the policy key, from the C++ sources.
consts = {k: v.replace("\\\\", "\\") for k, v in
          re.findall(r'constexpr const char\* (k\w+) = "([^"]*)";', (root / "app/RegNames.h").read_text())}
block = re.search(r"const PolicySetting kPolicies\[\] = \{(.*?)\n\};", (root / "app/Policy.cpp").read_text(), re.S)
rows = re.findall(r"\{(k\w+), PolicyKind::(\w+), (\d+), (\d+), (?:true|false)\}", block.group(1) if block else "")
if not rows or len(rows) != block.group(1).count("PolicyKind::"):
    sys.exit("app/Policy.cpp: the table kPolicies is missing or has a row this check cannot read")
table = {consts[c]: (k, int(low), int(high)) if k == "Number" else (k,) for c, k, low, high in rows}
key = consts["kPolicyKey"].lower()

admx, adml = (ET.parse(root / "policy" / f).getroot() for f in ("Quillrest.admx", "en-US/Quillrest.adml"))
defined = {kind: {e.get("id"): e.text if kind == "string" else e for e in adml.iterfind(f".//p:{kind}", NS)}
           for kind in ("string", "presentation")}
# Records, as problems of `where`, the message of every (failed, message) pair.
problems = lambda where, *checks: errors.extend(f"{where}: {m}" for failed, m in checks if failed)


def text(ref, where, kind="string"):
    """What `ref` ("$(string.x)" or "$(presentation.x)") names in the ADML; None (a problem) if nothing."""
    match = re.fullmatch(rf"\$\({kind}\.([^)]+)\)", ref or "")
    if not match or match.group(1) not in defined[kind]:
        return errors.append(f"{where}: {ref!r} names no {kind} of the ADML")
    return defined[kind][match.group(1)]


supported = {d.get("name"): text(d.get("displayName"), "supportedOn")
             for d in admx.iterfind("p:supportedOn/p:definitions/p:definition", NS)}
categories = {c.get("name") for c in admx.iterfind("p:categories/p:category", NS) if text(c.get("displayName"), "category")}
if categories != {"Quillrest"}:
    errors.append(f"categories {sorted(categories)}: expected the one category 'Quillrest'")
errors += [f"ADML: {e.tag.split('}')[1]} {e.get('refId')}: Intune refuses it" for e in adml.iter()
           if e.tag.endswith(("}comboBox", "}dropdownList"))]

written = {}
kinds = {"decimal": lambda e: ("Number", int(e.get("minValue", 0)), int(e.get("maxValue", 9999))),
         "text": lambda e: ("WebAddress",), "boolean": lambda e: ("Flag",)}
for policy in admx.iterfind("p:policies/p:policy", NS):
    where, switch = f"policy {policy.get('name')}", policy.get("valueName")
    text(policy.get("displayName"), where)
    text(policy.get("explainText"), where)
    attr = lambda path, name="ref": getattr(policy.find(path, NS), "attrib", {}).get(name)
    problems(where, (policy.get("class") != "Machine" or (policy.get("key") or "").lower() != key,
                     f"not a machine policy under {consts['kPolicyKey']}"),
             (attr("p:parentCategory") not in categories, "its category is not the template's own"),
             (supported.get(attr("p:supportedOn")) != "Windows 95 and later",
              "not supported on 'Windows 95 and later' as the template itself defines it"),
             (switch and [attr(f"p:{state}Value/p:decimal", "value")
                          for state in ("enabled", "disabled")] != ["1", "0"],
              "an on/off policy writes decimal 1 when enabled and 0 when disabled"))
    values = [(switch, ("Flag",))] if switch else []
    elements = list(policy.iterfind("p:elements/*", NS))
    controls = text(policy.get("presentation"), where, "presentation") if elements else None
    for element in elements:
        tag, eid = element.tag.split("}")[1], element.get("id")
        problems(where, (controls is not None and all(c.get("refId") != eid for c in controls),
                         f"element {eid} has no control in its presentation"),
                 ((element.get("key") or key).lower() != key, f"element {eid} writes under another key"),
                 (tag not in kinds, f"element <{tag}> writes nothing the program reads"))
        values.append((element.get("valueName"), kinds[tag](element) if tag in kinds else None))
    for value, kind in values:
        problems(where, (value in written or table.get(value) != kind,
                         f"writes {value} as {kind}; the program reads {table.get(value)}"
                         + (" (and another policy writes it too)" if value in written else "")))
        written[value] = kind
errors += [f"{value}: the program reads it, but no policy of the ADMX writes it" for value in table if value not in written]

print("\n".join(errors + [f"{len(written)} policy values in the templates, {len(table)} in the program: "
                          + (f"{len(errors)} problems" if errors else "they match")]))
sys.exit(1 if errors else 0)
