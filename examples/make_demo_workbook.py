"""Writes examples/demo.xlsx, the workbook the demonstration drives.

Sheet "Orders": a header row and twelve orders. Sheet "Readings": 3,500 rows
of three columns (10,500 cells), so that reading it takes two pages.
Run with Debian's interpreter: /usr/bin/python3 examples/make_demo_workbook.py
"""
import datetime
import os

from openpyxl import Workbook

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    wb = Workbook()
    orders = wb.active
    orders.title = "Orders"
    orders.append(["Order", "Customer", "Product", "Quantity", "Price", "Shipped", "Date"])
    products = [("Lamp", 24.5), ("Desk", 189.0), ("Chair", 79.99), ("Shelf", 45.25)]
    customers = ["Ada", "Björn", "Chloé", "Dmitri", "Eun-ji", "Farah"]
    for n in range(1, 13):
        product, price = products[n % len(products)]
        orders.append([
            1000 + n,
            customers[n % len(customers)],
            product,
            n % 5 + 1,
            price,
            n % 3 == 0,
            datetime.date(2026, 1, n),
        ])
    readings = wb.create_sheet("Readings")
    readings.append(["Sensor", "Minute", "Celsius"])
    for minute in range(1, 3500):
        readings.append([f"S{minute % 7}", minute, round(18 + (minute % 40) * 0.25, 2)])
    wb.save(os.path.join(HERE, "demo.xlsx"))


if __name__ == "__main__":
    main()
