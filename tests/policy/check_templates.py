#!/usr/bin/python3
"""The administrative templates against the program's own table of policy values (app/Policy.cpp).

Every policy of policy/Quillrest.admx writes, under the program's policy key, a value name the
program reads as a policy, with the kind it reads (a number with the same range); every policy
value the program reads has its policy; every string and presentation the ADMX names is in the
ADML; "supported on" and the category are the template's own; no combo boxes or drop-down lists
(Intune's template import refuses them).  Usage: check_templates.py <source root>
"""
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}


def program_table(root):
    """{value name: (kind, minimum, maximum)} and the policy key, read from the C++ sources."""
    consts = dict(re.findall(r'constexpr const char\* (k\w+) = "([^"]*)";', (root / "app/RegNames.h").read_text()))
    consts = {k: v.replace("\\\\", "\\") for k, v in consts.items()}
    block = re.search(r"const PolicySetting kPolicies\[\] = \{(.*?)\n\};", (root / "app/Policy.cpp").read_text(), re.S)
    rows = re.findall(r"\{(k\w+), PolicyKind::(\w+), (\d+), (\d+), (?:true|false)\}", block.group(1) if block else "")
    if not rows or len(rows) != block.group(1).count("PolicyKind::"):
        sys.exit("app/Policy.cpp: the table kPolicies is missing or has a row this check cannot read")
    kind = lambda k, low, high: (k, int(low), int(high)) if k == "Number" else (k,)
    return {consts[c]: kind(k, low, high) for c, k, low, high in rows}, consts["kPolicyKey"]


def main():
    root = Path(sys.argv[1])
    table, key = program_table(root)
    admx = ET.parse(root / "policy/Quillrest.admx").getroot()
    adml = ET.parse(root / "policy/en-US/Quillrest.adml").getroot()
    strings = {s.get("id"): s.text for s in adml.iterfind(".//p:string", NS)}
    shown = {p.get("id"): p for p in adml.iterfind(".//p:presentation", NS)}
    errors = []

    def text(ref, where, kind="string"):
        match = re.fullmatch(r"\$\((string|presentation)\.([^)]+)\)", ref or "")
        table_of = strings if kind == "string" else shown
        if not match or match.group(1) != kind or match.group(2) not in table_of:
            errors.append(f"{where}: {ref!r} names no {kind} of the ADML")
            return None
        return table_of[match.group(2)]

    supported = {d.get("name"): text(d.get("displayName"), "supportedOn")
                 for d in admx.iterfind("p:supportedOn/p:definitions/p:definition", NS)}
    categories = {c.get("name") for c in admx.iterfind("p:categories/p:category", NS) if text(c.get("displayName"), "category")}
    if categories != {"Quillrest"}:
        errors.append(f"categories {sorted(categories)}: expected the one category 'Quillrest'")
    errors += [f"ADML: {e.tag.split('}')[1]} {e.get('refId')}: Intune refuses it" for e in adml.iter()
               if e.tag.endswith(("}comboBox", "}dropdownList"))]

    written = {}
    for policy in admx.iterfind("p:policies/p:policy", NS):
        where = f"policy {policy.get('name')}"
        text(policy.get("displayName"), where)
        text(policy.get("explainText"), where)
        if policy.get("class") != "Machine" or (policy.get("key") or "").lower() != key.lower():
            errors.append(f"{where}: not a machine policy under {key}")
        ref = lambda tag: getattr(policy.find(tag, NS), "attrib", {}).get("ref")
        if ref("p:parentCategory") not in categories:
            errors.append(f"{where}: its category is not the template's own")
        if supported.get(ref("p:supportedOn")) != "Windows 95 and later":
            errors.append(f"{where}: not supported on 'Windows 95 and later' as the template itself defines it")
        values = []
        if policy.get("valueName"):
            on, off = policy.find("p:enabledValue/p:decimal", NS), policy.find("p:disabledValue/p:decimal", NS)
            if on is None or off is None or (on.get("value"), off.get("value")) != ("1", "0"):
                errors.append(f"{where}: an on/off policy writes decimal 1 when enabled and 0 when disabled")
            values.append((policy.get("valueName"), ("Flag",)))
        node = policy.find("p:elements", NS)
        elements = list(node) if node is not None else []
        controls = text(policy.get("presentation"), where, "presentation") if elements else None
        for element in elements:
            tag, eid = element.tag.split("}")[1], element.get("id")
            if controls is not None and not any(c.get("refId") == eid for c in controls):
                errors.append(f"{where}: element {eid} has no control in its presentation")
            if element.get("key") and element.get("key").lower() != key.lower():
                errors.append(f"{where}: element {eid} writes under another key")
            kinds = {"decimal": ("Number", int(element.get("minValue", 0)), int(element.get("maxValue", 9999))),
                     "text": ("WebAddress",), "boolean": ("Flag",)}
            if tag not in kinds:
                errors.append(f"{where}: element <{tag}> writes nothing the program reads")
            values.append((element.get("valueName"), kinds.get(tag)))
        for value, kind in values:
            if value in written or table.get(value) != kind:
                errors.append(f"{where}: writes {value} as {kind}; the program reads {table.get(value)}"
                              + (" (and another policy writes it too)" if value in written else ""))
            written[value] = kind
    errors += [f"{value}: the program reads it, but no policy of the ADMX writes it" for value in table if value not in written]

    print("\n".join(errors + [f"{len(written)} policy values in the templates, {len(table)} in the program: "
                              + (f"{len(errors)} problems" if errors else "they match")]))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
